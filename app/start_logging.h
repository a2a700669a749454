#pragma once
// The start of logging: from the start screen to the logging screen in the
// Monitoring state. Derives the run's values, checks that there is something
// to log and that the two devices do not share a port, opens the ports,
// makes sure the instrument answers, starts the readers and timer 1 and shows
// the logging screen. On any failure the operator is told why, the ports
// opened by this attempt are closed and the start screen stays.

#include "config/survey_config.h"
#include "config/survey_context.h"

namespace velox {

class AcquisitionControl;
class LoggingControl;
class OperatorMessages;

struct LoggingStart {
    const Variant& variant;
    SurveyConfig& config;
    SurveyContext& context;
    OperatorMessages& messages;
    AcquisitionControl& acquisition;
    LoggingControl& control;
};

// Timer 1 once the instrument answered: 100 ms after "OK", 300 ms otherwise.
uint32_t loggingTimerPeriod(int handshakeMode);

// True when the logging screen is shown in Monitoring.
bool startLogging(LoggingStart& start);

}  // namespace velox
