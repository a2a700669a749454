#include "platform/qt/handover_pump.h"

#include <QMetaObject>

namespace velox {

HandOverPump::HandOverPump(HandOverChannel& channel, HandOverChannel::Handler handler, QObject* parent)
    : QObject(parent), channel_(channel) {
    channel_.setHandler(std::move(handler));
    channel_.setUiThread(std::this_thread::get_id());
    channel_.setWakeUp([this] {
        QMetaObject::invokeMethod(this, [this] { channel_.dispatchPending(); }, Qt::QueuedConnection);
    });
}

HandOverPump::~HandOverPump() {
    // Senders must not wait for a loop that will no longer drain them.
    channel_.release();
    channel_.setWakeUp({});
    channel_.setHandler({});
}

}  // namespace velox
