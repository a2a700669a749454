#pragma once
// What the start of logging and the logging screen ask of the reader threads.
// The screen drives the readers only through this interface; the program
// supplies the implementation that owns the instrument and GPS readers.
//
// Every call runs on the user-interface thread. None may wait for a reader
// that is itself waiting for the user-interface thread (a reader blocked in
// its hand-over must be released, not joined).

#include <cstdint>

namespace velox {

class AcquisitionControl {
public:
    virtual ~AcquisitionControl() = default;

    // Starts the instrument reader on the instrument port the context holds
    // (after a successful handshake).
    virtual void startInstrumentReader() = 0;
    // Creates the GPS reader, suspended: it reads nothing until
    // resumeGpsReader, so no fix arrives before the logging screen is shown.
    virtual void createGpsReader() = 0;
    virtual void resumeGpsReader() = 0;

    // Keeps one instrument record in `everyNth` as a reading and restarts the
    // count (Auto mode takes `recordsPerReading`; 1 takes every record).
    virtual void setRecordDecimation(uint32_t everyNth) = 0;

    // Wheel mode: switches the instrument to wheel triggering ("H","W") with
    // its reader held off the port meanwhile, and back to continuous output
    // ("H","X"). startWheelTriggering returns false when the instrument did
    // not acknowledge.
    virtual bool startWheelTriggering() = 0;
    virtual void stopWheelTriggering() = 0;

    // Stops every reader that runs and returns once their threads have
    // ended. Safe when none runs and when called twice. The ports are closed
    // by the caller afterwards.
    virtual void stopReaders() = 0;
};

}  // namespace velox
