#pragma once
// The logging screen: a child of the start window that covers it while a
// survey is monitored or logged. Created hidden with the start window.

#include <QWidget>

namespace velox {

class ScreenLogWnd : public QWidget {
    Q_OBJECT
public:
    ScreenLogWnd(QWidget* startWindow, int width, int height);
};

}  // namespace velox
