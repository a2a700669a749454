#include "display/map_wnd.h"

#include <QPainter>

#include "display/map_view.h"
#include "display/pane.h"

namespace velox {

MapWnd::MapWnd(QWidget* parent) : QWidget(parent) { initPane(*this, 652); }

void MapWnd::showMapView(MapView& view) {
    view_ = &view;
    view.hooks().windowChanged = [this] { update(); };
    update();
}

void MapWnd::paintEvent(QPaintEvent*) {
    if (!view_) return;
    QPainter painter(this);
    painter.drawImage(0, 0, view_->window());
}

}  // namespace velox
