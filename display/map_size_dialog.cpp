#include "display/map_size_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "display/logging_dialogs.h"
#include "display/map_view.h"
#include "platform/operator_messages.h"

namespace velox {

namespace {

QLabel* label(QWidget* parent, const QString& text, const char* id) {
    auto* caption = new QLabel(text, parent);
    caption->setObjectName(QString::fromLatin1(id));
    return caption;
}

QString unitName(int mapUnits) {
    if (mapUnits == UNITS_FEET) return QStringLiteral("feet");
    if (mapUnits == UNITS_US_SURVEY_FEET) return QStringLiteral("US feet");
    return QStringLiteral("meters");
}

}  // namespace

MapSizeDialog::MapSizeDialog(QWidget* owner, const MapSizeSettings& current, int gridType, int mapUnits)
    : QDialog(owner) {
    setObjectName(QStringLiteral("MAPSCALE"));
    setWindowTitle(QStringLiteral("Map Size"));
    mapSize_ = new QLineEdit(QString::number(current.mapSize), this);
    mapSize_->setObjectName(QStringLiteral("1210"));
    interval_ = new QLineEdit(QString::asprintf("%.2f", current.gridInterval), this);
    interval_->setObjectName(QStringLiteral("1211"));
    cursorBand_ = new QComboBox(this);
    cursorBand_->setObjectName(QStringLiteral("1212"));
    for (const char* percent : {"10", "15", "20", "25", "30", "35", "40"})
        cursorBand_->addItem(QString::fromLatin1(percent));
    cursorBand_->setCurrentIndex(std::clamp(current.cursorBandIndex, 0, cursorBand_->count() - 1));
    // A map size of 0 or less becomes 1 as it is typed.
    connect(mapSize_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (mapSizeTextNotPositive(text.toStdString())) mapSize_->setText(QStringLiteral("1"));
    });

    auto* grid = new QGridLayout;
    grid->addWidget(label(this, QStringLiteral("Map Size (one side length):"), "1217"), 0, 0);
    grid->addWidget(mapSize_, 0, 1);
    grid->addWidget(label(this, unitName(mapUnits), "1214"), 0, 2);
    const QString intervalCaption =
        gridType == 1 ? QStringLiteral("Guide Lines Interval:") : QStringLiteral("Grid Lines Interval:");
    grid->addWidget(label(this, intervalCaption, "1213"), 1, 0);
    grid->addWidget(interval_, 1, 1);
    grid->addWidget(label(this, unitName(mapUnits), "1215"), 1, 2);
    grid->addWidget(label(this, QStringLiteral("Cursor Band (along edges):"), "1218"), 2, 0);
    grid->addWidget(cursorBand_, 2, 1);
    grid->addWidget(label(this, QStringLiteral("% of Size"), "1219"), 2, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(
        label(this, QStringLiteral("Cursor Band - area along map edges where map starts to scroll"), "1216"));
    layout->addWidget(buttons);
    mapSize_->setFocus();
    mapSize_->selectAll();
}

MapSizeSettings MapSizeDialog::entered() const {
    MapSizeSettings settings;
    settings.mapSize = mapSizeFromText(mapSize_->text().toStdString());
    settings.gridInterval = numberFromText(interval_->text().toStdString()).value_or(0.0);
    settings.cursorBandIndex = cursorBand_->currentIndex();
    return settings;
}

int mapApplySizeDialog(QWidget* owner, MapView& map, OperatorMessages& messages, SoundPlayer& sounds) {
    const MapHooks& hooks = map.hooks();
    if (hooks.mapViewActive && !hooks.mapViewActive()) {
        messages.show("INFORMATION", "Option avaiable only when map is visible", MessageButtons::Ok);
        return -1;
    }
    const SurveyConfig& config = map.config();
    const MapSizeSettings before{config.mapSize, config.gridInterval, config.cursorBandIndex};
    MapSizeDialog dialog(owner, before, config.gridType, config.mapUnits);
    placeOverOwner(dialog, owner);
    if (dialog.exec() != QDialog::Accepted) return 0;
    map.applyMapSize(before, dialog.entered(), messages, sounds);
    return 1;
}

}  // namespace velox
