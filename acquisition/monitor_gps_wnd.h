#pragma once
// The GPS monitor: a child of the start window that covers it while the
// operator watches the GPS receiver's output. Created hidden with the start
// window.

#include <QWidget>

namespace velox {

class MonitorGPSWnd : public QWidget {
    Q_OBJECT
public:
    MonitorGPSWnd(QWidget* startWindow, int width, int height);
};

}  // namespace velox
