#pragma once
// The GPS state of a survey run. GpsReaderState is what the reader thread
// shares with the logging screen: the sentence it hands over, the sentences
// it holds for a manual reading, its flags and counters; each of its fields
// is an atomic or guarded by its own lock. GpsFixState belongs to the fix
// handler on the user-interface thread.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "geo/utm.h"
#include "platform/clock.h"

namespace velox {

struct GpsSentence {
    std::string text;
    Tick tick = 0;  // when its "$" arrived
};

// The last accepted sentence. The reader stores it before it hands a message
// over; the handlers load it while the reader waits for them.
class SharedSentence {
public:
    void store(std::string_view text, Tick tick) {
        std::lock_guard lock(mutex_);
        sentence_.text.assign(text);
        sentence_.tick = tick;
    }
    GpsSentence load() const {
        std::lock_guard lock(mutex_);
        return sentence_;
    }

private:
    mutable std::mutex mutex_;
    GpsSentence sentence_;
};

// The position and status sentences held in Manual mode, each with its ready
// flag. The reader holds new sentences unless the manual-reading handler has
// locked them; the handler takes the ready ones while they are locked.
class HeldSentences {
public:
    // The reader's side: false (nothing changed) while locked.
    bool holdPosition(std::string_view text, Tick tick) { return hold(position_, text, tick); }
    bool holdStatus(std::string_view text, Tick tick) { return hold(status_, text, tick); }
    // Takes a ready sentence and clears its flag; nothing when it is not ready.
    std::optional<GpsSentence> takePosition() { return take(position_); }
    std::optional<GpsSentence> takeStatus() { return take(status_); }
    bool positionReady() const {
        std::lock_guard lock(mutex_);
        return position_.ready;
    }

    // `heldSentenceLock`: set by the manual-reading handler around its writes.
    void setLock(bool locked) {
        std::lock_guard lock(mutex_);
        locked_ = locked;
    }
    bool locked() const {
        std::lock_guard lock(mutex_);
        return locked_;
    }

private:
    struct Held {
        GpsSentence sentence;
        bool ready = false;
    };
    bool hold(Held& held, std::string_view text, Tick tick) {
        std::lock_guard lock(mutex_);
        if (locked_) return false;
        held.sentence.text.assign(text);
        held.sentence.tick = tick;
        held.ready = true;
        return true;
    }
    std::optional<GpsSentence> take(Held& held) {
        std::lock_guard lock(mutex_);
        if (!held.ready) return std::nullopt;
        held.ready = false;
        return held.sentence;
    }

    mutable std::mutex mutex_;
    Held position_;
    Held status_;
    bool locked_ = false;
};

// The GPS read-out fields of the logging screen, as bits of a mask.
enum GpsReadoutField : uint32_t {
    GPS_FIELD_LAMP_A = 1u << 0,
    GPS_FIELD_LAMP_B = 1u << 1,
    GPS_FIELD_SATELLITES = 1u << 2,
    GPS_FIELD_QUALITY = 1u << 3,
    GPS_FIELD_DILUTION = 1u << 4,
    GPS_FIELD_COORDINATE_1 = 1u << 5,  // latitude, or the local-grid northing
    GPS_FIELD_COORDINATE_2 = 1u << 6,  // longitude, or the local-grid easting
    GPS_FIELD_UTM_EASTING = 1u << 7,
    GPS_FIELD_UTM_NORTHING = 1u << 8,
    GPS_FIELD_ZONE = 1u << 9,
    GPS_FIELD_SPEED = 1u << 10,
    GPS_FIELD_FIX_COUNT = 1u << 11,
};

struct GpsReaderState {
    SharedSentence currentSentence;
    HeldSentences held;
    std::atomic<bool> manualReadingTaken{false};  // set by the manual-reading handler, cleared by the reader

    std::atomic<Tick> lastGpsDataTick{0};  // last accepted sentence; the silence check compares with it
    std::atomic<Tick> lastFixTick{0};      // last position sentence passed on; never reset during a run
    std::atomic<bool> gpsLinkBroken{false};
    std::atomic<bool> gpsReaderRun{false};
    std::atomic<long> gpsSentenceCount{0};  // printed in every GPS trailer record; reset by the start of logging
    // Positions logged since the logging screen was entered: counted by the
    // fix handler, and by the reader in Manual mode.
    std::atomic<int> loggedFixCount{0};
    // Read-out fields a connection break painted red; each is cleared when a
    // fix or status sentence draws that field again.
    std::atomic<uint32_t> redFields{0};
};

// A position in map units (origin at the first valid fix of the survey).
struct MapPoint {
    double easting = 0.0;
    double northing = 0.0;
};

// Smallest and largest easting and northing of the survey's positions.
struct SurveyBox {
    double minEasting = 0.0;
    double maxEasting = 0.0;
    double minNorthing = 0.0;
    double maxNorthing = 0.0;
    void startAt(MapPoint p) { minEasting = maxEasting = p.easting, minNorthing = maxNorthing = p.northing; }
};

// The fix handler's state (user-interface thread only).
struct GpsFixState {
    bool firstFixSeen = false;  // cleared by the start of logging
    MapPoint previousFix;
    std::optional<double> previousFixTime;  // utcSeconds of the previous valid fix
    std::optional<double> groundSpeed;      // map units per second; unknown when no time passed
    char gpsIndicator = '\\';                  // "/" or a backslash, toggled by every fix
    double gpsDilution = -2.0;              // -2 after the start of logging
    MapPoint origin;                        // fixed by the first valid fix
    MapPoint headerReference;               // reference position of the data-file header
    SurveyBox surveyBox;                    // set to the first fix here, extended by the map
    SurveyZone zone;                        // fixed by the first latitude/longitude fix
};

}  // namespace velox
