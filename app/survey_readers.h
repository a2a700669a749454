#pragma once
// The instrument and GPS readers of a logging run and the handlers of their
// messages, behind the interface the logging screen drives; what the handlers
// found goes to the read-outs and to the map and panes of the SurveyDisplay. Owned by the
// program; everything here runs on the user-interface thread except the
// reader threads themselves.

#include <memory>

#include "acquisition/em61_handler.h"
#include "acquisition/em61_reader.h"
#include "acquisition/gps_fix_handler.h"
#include "acquisition/gps_reader.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "logging/acquisition_control.h"

namespace velox {

class ScreenLogWnd;
class SoundPlayer;
class SurveyDisplay;

class SurveyReaders final : public AcquisitionControl {
public:
    SurveyReaders(const Variant& variant, SurveyConfig& config, SurveyContext& context, ScreenLogWnd& screen,
                  SurveyDisplay& display, SoundPlayer& sounds);
    ~SurveyReaders() override;

    void startInstrumentReader() override;
    void createGpsReader() override;
    void resumeGpsReader() override;
    void setRecordDecimation(uint32_t everyNth) override;
    bool startWheelTriggering() override;
    void stopWheelTriggering() override;
    void stopReaders() override;

private:
    void onInstrumentReading(int message);
    void onGpsFix();
    void onGpsStatus();
    void showReadouts();
    // Switches the instrument's output with the reader held off the port.
    bool switchInstrumentOutput(uint8_t command, uint32_t settleMs);

    const Variant variant_;
    SurveyConfig& config_;
    SurveyContext& context_;
    ScreenLogWnd& screen_;
    SurveyDisplay& display_;
    SoundPlayer& sounds_;

    std::unique_ptr<Em61Reader> em61Reader_;
    std::unique_ptr<Em61Handler> em61Handler_;
    std::unique_ptr<GpsReader> gpsReader_;
    std::unique_ptr<GpsFixHandler> gpsFixHandler_;
    Em61Readout lastReadout_;
};

}  // namespace velox
