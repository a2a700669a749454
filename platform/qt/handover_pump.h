#pragma once
// Drains a hand-over channel from the Qt event loop of the thread that
// creates the pump (the user-interface thread).

#include <QObject>

#include "platform/handover.h"

namespace velox {

class HandOverPump : public QObject {
    Q_OBJECT
public:
    HandOverPump(HandOverChannel& channel, HandOverChannel::Handler handler, QObject* parent = nullptr);
    ~HandOverPump() override;

private:
    HandOverChannel& channel_;
};

}  // namespace velox
