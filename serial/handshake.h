#pragma once
// The two-byte command handshake of the EM61 instruments: "H","X" starts
// continuous output, "H","W" wheel triggering. The instrument answers "OK"
// or "OV"; which one it was is kept in handshakeMode.

#include <cstdint>

#include "config/survey_config.h"
#include "config/survey_context.h"
#include "platform/operator_messages.h"

namespace velox {

// Sends `first`, 40 ms later `second`, and waits one second for the answer;
// up to three attempts. With `reopen` positive the instrument port is closed
// and reopened first. On success sets handshakeMode (1 for "K", 0 for "V")
// and returns true; on failure leaves it unchanged. Ends at once with false
// when the port is closed or fails meanwhile, or cannot be reopened.
bool instrumentHandshake(uint8_t first, uint8_t second, int reopen, const SurveyConfig& config,
                         SurveyContext& context, OperatorMessages& messages);

}  // namespace velox
