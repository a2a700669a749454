#pragma once
// The "Map Size" dialog (MAPSCALE) and the "Map &Size" command around it.
// Control objectNames: "1210" map size edit, "1211" interval edit, "1212"
// cursor band list, "1213" interval caption ("Grid Lines Interval:" or
// "Guide Lines Interval:"), "1214" and "1215" the unit captions, "1216" the
// cursor band note, "1217" the map size caption, "1218" the cursor band
// caption, "1219" "% of Size", "1" OK, "2" Cancel.

#include <QDialog>

#include "display/map_geometry.h"

class QComboBox;
class QLineEdit;

namespace velox {

class MapView;
class OperatorMessages;
class SoundPlayer;

class MapSizeDialog : public QDialog {
    Q_OBJECT
public:
    MapSizeDialog(QWidget* owner, const MapSizeSettings& current, int gridType, int mapUnits);
    // What the operator entered: the map size truncated to at least 1; an interval that is not a number as 0.
    MapSizeSettings entered() const;

private:
    QLineEdit* mapSize_;
    QLineEdit* interval_;
    QComboBox* cursorBand_;
};

// Runs the dialog over `owner` when the map is visible and applies what was accepted. Returns 1 after OK,
// 0 after Cancel, -1 when refused because the map is not shown.
int mapApplySizeDialog(QWidget* owner, MapView& map, OperatorMessages& messages, SoundPlayer& sounds);

}  // namespace velox
