#include "display/scale_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

#include "display/color_bar_wnd.h"

namespace velox {

namespace {

std::optional<double> finiteNumberIn(const QLineEdit* edit) {
    bool ok = false;
    const double value = edit->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

double numberOr(const QLineEdit* edit, double fallback) {
    if (!edit) return fallback;
    return finiteNumberIn(edit).value_or(fallback);
}

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    return buttons;
}

// The EM31-MK2 and EM38-MK2 dialogs open 50 pixels right of centre.
int scaleDialogShift(InstrumentType type) {
    return type == InstrumentType::Em31Mk2 || type == InstrumentType::Em38Mk2 ? 50 : 0;
}

enum class ScaleTemplate { Readings, ConductivityInphase, ConductivityOnly };

ScaleTemplate scaleTemplateOf(InstrumentType type) {
    if (type == InstrumentType::Em34_3) return ScaleTemplate::ConductivityOnly;
    return isConductivityMeter(type) ? ScaleTemplate::ConductivityInphase : ScaleTemplate::Readings;
}

}  // namespace

void placeScaleDialog(QDialog& dialog, const QWidget* owner, int shiftRight) {
    if (!owner) return;
    dialog.adjustSize();
    const QRect area(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    const int x = area.x() + (area.width() - dialog.width()) / 2 + shiftRight;
    const int y = area.y() + std::max(0, area.height() - dialog.height()) / 7;
    dialog.move(x, y);
}

// --- Readings Scale

ReadingScaleDialog::ReadingScaleDialog(QWidget* owner, const Variant& variant, SurveyConfig& config,
                                       ColorBarWnd* preview)
    : QDialog(owner), variant_(variant), config_(config), preview_(preview), opened_(readingScaleLimitsOf(config)) {
    const ScaleTemplate kind = scaleTemplateOf(variant.instrumentType);
    auto* layout = new QVBoxLayout(this);
    minimum_ = limitEdit(QStringLiteral("minimum"), config.readingScaleMin);
    maximum_ = limitEdit(QStringLiteral("maximum"), config.readingScaleMax);
    auto* limits = new QFormLayout;
    limits->addRow(QStringLiteral("Minimum:"), minimum_);
    limits->addRow(QStringLiteral("Maximum:"), maximum_);
    if (kind == ScaleTemplate::Readings) {
        setObjectName(QStringLiteral("READINGSCALE"));
        setWindowTitle(QStringLiteral("Readings Scale"));
        layout->addLayout(limits);
    } else {
        auto* conductivity = new QGroupBox(QStringLiteral("Conductivity [mS/m]"), this);
        conductivity->setLayout(limits);
        layout->addWidget(conductivity);
        if (kind == ScaleTemplate::ConductivityOnly) {
            setObjectName(QStringLiteral("READINGSCALE34"));
            setWindowTitle(QStringLiteral("Readings Scale"));
        } else {
            setObjectName(QStringLiteral("READINGSCALE31"));
            setWindowTitle(QStringLiteral("Conductivity/Inphase Readings Scales"));
            inphaseMinimum_ = limitEdit(QStringLiteral("inphaseMinimum"), config.inphaseScaleMin);
            inphaseMaximum_ = limitEdit(QStringLiteral("inphaseMaximum"), config.inphaseScaleMax);
            auto* inphaseLimits = new QFormLayout;
            inphaseLimits->addRow(QStringLiteral("Minimum:"), inphaseMinimum_);
            inphaseLimits->addRow(QStringLiteral("Maximum:"), inphaseMaximum_);
            auto* inphase = new QGroupBox(QStringLiteral("Inphase [ppt]"), this);
            inphase->setLayout(inphaseLimits);
            layout->addWidget(inphase);
        }
    }
    layout->addWidget(okCancel(this));

    connect(minimum_, &QLineEdit::textEdited, this,
            [this] { applyTyped(minimum_, config_.readingScaleMin, config_.readingScaleMax, true); });
    connect(maximum_, &QLineEdit::textEdited, this,
            [this] { applyTyped(maximum_, config_.readingScaleMax, config_.readingScaleMin, false); });
    if (inphaseMinimum_) {
        connect(inphaseMinimum_, &QLineEdit::textEdited, this,
                [this] { applyTyped(inphaseMinimum_, config_.inphaseScaleMin, config_.inphaseScaleMax, true); });
        connect(inphaseMaximum_, &QLineEdit::textEdited, this,
                [this] { applyTyped(inphaseMaximum_, config_.inphaseScaleMax, config_.inphaseScaleMin, false); });
    }
    if (preview_) {
        refreshPreview();
        preview_->show();
    }
    minimum_->setFocus();
    minimum_->selectAll();
}

QLineEdit* ReadingScaleDialog::limitEdit(const QString& name, double value) {
    auto* edit = new QLineEdit(QString::number(value, 'f', 1), this);
    edit->setObjectName(name);
    return edit;
}

void ReadingScaleDialog::applyTyped(QLineEdit* edit, double& limit, const double& other, bool isMinimum) {
    const std::optional<double> value = finiteNumberIn(edit);
    if (!value || (isMinimum ? !(*value < other) : !(*value > other))) return;
    limit = *value;
    refreshPreview();
}

void ReadingScaleDialog::refreshPreview() {
    if (!preview_) return;
    preview_->setScale(config_.readingScaleMin, config_.readingScaleMax);
    preview_->setInphaseScale(config_.inphaseScaleMin, config_.inphaseScaleMax);
    preview_->update();
}

void ReadingScaleDialog::accept() {
    ReadingScaleLimits entered = readingScaleLimitsOf(config_);
    entered.min = numberOr(minimum_, entered.min);
    entered.max = numberOr(maximum_, entered.max);
    entered.inphaseMin = numberOr(inphaseMinimum_, entered.inphaseMin);
    entered.inphaseMax = numberOr(inphaseMaximum_, entered.inphaseMax);
    const ReadingScaleLimits limits = acceptedLimits(entered);
    const InstrumentType type = variant_.instrumentType;
    storeReadingScaleLimits(limits, config_);
    outcome_ = {true, scaleChangeNeedsMapRebuild(type, config_.colourMapView, opened_, limits),
                colourStepAfterScale(type, config_.colourMapView, limits)};
    saveSettings(variant_, config_);
    QDialog::accept();
}

void ReadingScaleDialog::reject() {
    storeReadingScaleLimits(opened_, config_);
    outcome_ = {};
    QDialog::reject();
}

void ReadingScaleDialog::done(int result) {
    if (preview_) preview_->hide();
    QDialog::done(result);
}

ReadingScaleOutcome ReadingScaleDialog::run(QWidget* owner, const Variant& variant, SurveyConfig& config,
                                            ColorBarWnd* preview) {
    ReadingScaleDialog dialog(owner, variant, config, preview);
    placeScaleDialog(dialog, owner, scaleDialogShift(variant.instrumentType));
    dialog.exec();
    return dialog.outcome();
}

// --- Set New Speed Bar Scale

SpeedScaleDialog::SpeedScaleDialog(QWidget* owner, const Variant& variant, SurveyConfig& config)
    : QDialog(owner), variant_(variant), config_(config) {
    setObjectName(QStringLiteral("SPEEDSCALE"));
    setWindowTitle(QStringLiteral("Set New Speed Bar Scale"));
    const QString scale = QString::number(config.speedScaleMax, 'f', 2);
    auto* current = new QLineEdit(scale, this);
    current->setObjectName(QStringLiteral("currentScale"));
    current->setReadOnly(true);
    current->setFocusPolicy(Qt::NoFocus);
    newScale_ = new QLineEdit(scale, this);
    newScale_->setObjectName(QStringLiteral("newScale"));
    units_ = new QComboBox(this);
    units_->setObjectName(QStringLiteral("speedUnits"));
    units_->addItems({QStringLiteral("m/s"), QStringLiteral("ft/s"), QStringLiteral("km/h"), QStringLiteral("mph")});
    units_->setCurrentIndex(config.speedUnits >= 0 && config.speedUnits < units_->count() ? config.speedUnits : 0);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Current Speed Bar Scale:"), current);
    form->addRow(QStringLiteral("New Speed Bar Scale:"), newScale_);
    form->addRow(QStringLiteral("Speed Bar Units:"), units_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancel(this));
    // C cancels from anywhere but the number box, which takes it as typing.
    auto* cancelKey = new QShortcut(QKeySequence(Qt::Key_C), this);
    connect(cancelKey, &QShortcut::activated, this, &QDialog::reject);
    newScale_->setFocus();
    newScale_->selectAll();
}

void SpeedScaleDialog::accept() {
    // The bar's pixels per unit divide by the scale: only a positive one is taken.
    const std::optional<double> scale = finiteNumberIn(newScale_);
    if (!scale || !(*scale > 0.0)) {
        newScale_->setFocus();
        newScale_->selectAll();
        return;
    }
    config_.speedScaleMax = *scale;
    config_.speedUnits = units_->currentIndex();
    saveSettings(variant_, config_);
    QDialog::accept();
}

int SpeedScaleDialog::run(QWidget* owner, const Variant& variant, SurveyConfig& config) {
    SpeedScaleDialog dialog(owner, variant, config);
    placeScaleDialog(dialog, owner, scaleDialogShift(variant.instrumentType));
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}

}  // namespace velox
