#include "display/screen_log_wnd.h"

namespace velox {

ScreenLogWnd::ScreenLogWnd(QWidget* startWindow, int width, int height) : QWidget(startWindow) {
    setObjectName(QStringLiteral("4"));
    setWindowTitle(QStringLiteral("Log"));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setGeometry(0, 0, width, height);
    hide();
}

}  // namespace velox
