#pragma once

#include <QWidget>

namespace velox {

class MapView;

// The map pane: shows the map's composed window image and nothing else.
class MapWnd : public QWidget {
    Q_OBJECT
public:
    explicit MapWnd(QWidget* parent);
    // Shows `view`'s image and repaints whenever the map composes it anew.
    void showMapView(MapView& view);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    MapView* view_ = nullptr;
};

}  // namespace velox
