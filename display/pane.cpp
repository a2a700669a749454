#include "display/pane.h"

#include <QPalette>

namespace velox {

void initPane(QWidget& pane, int controlId) {
    pane.setObjectName(QString::number(controlId));
    QPalette colours = pane.palette();
    colours.setColor(QPalette::Window, Qt::white);
    pane.setPalette(colours);
    pane.setBackgroundRole(QPalette::Window);
    pane.setAutoFillBackground(true);
    pane.setCursor(Qt::ArrowCursor);
}

}  // namespace velox
