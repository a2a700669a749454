#pragma once
// What every pane of the logging screen shares: a white child window with a
// border, named by its control id.

#include <QWidget>

namespace velox {

void initPane(QWidget& pane, int controlId);

}  // namespace velox
