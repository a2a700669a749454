#pragma once
// The instrument port and the GPS port of a survey: opened from the settings,
// kept in the survey context, closed to stop their readers.

#include "config/survey_config.h"
#include "config/survey_context.h"
#include "platform/operator_messages.h"
#include "serial/serial_port.h"

namespace velox {

// 8N1 at the instrument's speed, DTR and RTS raised, no flow control. A
// one-byte read waits 20 ms on the EM61 instruments and the Grad601, 10 ms
// on the conductivity meters.
LineSettings instrumentLineSettings(InstrumentType type);
// Speed, data bits, parity and stop bits from the GPS settings, XON/XOFF on,
// 10 ms reads. An index outside its list takes the list's default.
LineSettings gpsLineSettings(const SurveyConfig& config);

// Opens the port of `instrumentPort` into the context (state 1). On failure
// the context holds no port (state 0) and, when `reportFailure` is set, the
// operator sees "Cannot open COM<n> ". A port the context still held is
// closed first.
bool openInstrumentPort(const SurveyConfig& config, SurveyContext& context, OperatorMessages& messages,
                        bool reportFailure);
// The same for `gpsPort`; a failure is always reported ("Cannot open COM<n> for GPS").
bool openGpsPort(const SurveyConfig& config, SurveyContext& context, OperatorMessages& messages);

// Close the port (waking its reader, which then ends) and set its state to 0.
void closeInstrumentPort(SurveyContext& context);
void closeGpsPort(SurveyContext& context);

}  // namespace velox
