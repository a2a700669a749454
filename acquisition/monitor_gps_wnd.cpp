#include "acquisition/monitor_gps_wnd.h"

namespace velox {

MonitorGPSWnd::MonitorGPSWnd(QWidget* startWindow, int width, int height) : QWidget(startWindow) {
    setObjectName(QStringLiteral("780"));
    setWindowTitle(QStringLiteral("Monitor GPS"));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setGeometry(0, 0, width, height);
    hide();
}

}  // namespace velox
