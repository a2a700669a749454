#include "display/alarm_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <cmath>

#include "acquisition/em61_decode.h"

namespace velox {

namespace {

constexpr int kEntryLimit = 39;

QComboBox* list(QWidget* parent, int id, const QStringList& items, int selected) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::number(id));
    box->addItems(items);
    box->setCurrentIndex(selected >= 0 && selected < box->count() ? selected : 0);
    return box;
}

QLineEdit* millivolts(QWidget* parent, int id, double value) {
    auto* edit = new QLineEdit(QString::number(value, 'f', 1), parent);
    edit->setObjectName(QString::number(id));
    edit->setMaxLength(kEntryLimit);
    return edit;
}

// An edit with its "mV" unit after it.
QWidget* withUnit(QWidget* parent, QLineEdit* edit) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit);
    layout->addWidget(new QLabel(QStringLiteral("mV"), row));
    return row;
}

QHBoxLayout* cancelOk(QDialog* dialog, const QString& cancelText, const QString& okText) {
    auto* cancel = new QPushButton(cancelText, dialog);
    cancel->setObjectName(QStringLiteral("2"));
    auto* ok = new QPushButton(okText, dialog);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cancel);
    row->addWidget(ok);
    return row;
}

QCheckBox* check(QWidget* parent, int id, const QString& text, int on) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::number(id));
    box->setChecked(on != 0);
    return box;
}

}  // namespace

double leadingDecimalOrZero(const QString& text) {
    static const QRegularExpression number(QStringLiteral(R"(^\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?))"));
    const QRegularExpressionMatch match = number.match(text.left(kEntryLimit));
    if (!match.hasMatch()) return 0.0;
    bool ok = false;
    const double value = match.captured(1).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

// --- Alarm Setup

AlarmSetupDialog::AlarmSetupDialog(QWidget* owner, const Variant& variant, SurveyConfig& config)
    : QDialog(owner), variant_(variant), config_(config) {
    setObjectName(QStringLiteral("ALARMLX2"));
    setWindowTitle(QStringLiteral("Alarm Setup"));
    type_ = list(this, 901, {QStringLiteral("Disabled"), QStringLiteral("Simple"), QStringLiteral("Enhanced")},
                 config.alarmType);
    audio_ = list(this, 906, {QStringLiteral("None"), QStringLiteral("Voice Indication"), QStringLiteral("Ringing")},
                  config.alarmAudio);
    channel_ = list(this, 908,
                    {QStringLiteral("Early Channel"), QStringLiteral("Late Channel"), QStringLiteral("Filtered Channel")},
                    config.alarmChannel);
    level_ = millivolts(this, 900, config.alarmLevel);
    minLevel_ = millivolts(this, 902, config.alarmMinLevel);
    maxLevel_ = millivolts(this, 903, config.alarmMaxLevel);
    QStringList widths;
    for (int samples = 3; samples <= 21; samples += 2) widths << QStringLiteral("%1 Samples").arg(samples);
    width_ = list(this, 907, widths, config.alarmAnomalyWidth);
    descending_ = list(this, 905, {QStringLiteral("1 Sample"), QStringLiteral("2 Samples")},
                       config.alarmDescendingReadings);

    auto* setup = new QGroupBox(QStringLiteral("Alarm Setup"), this);
    auto* setupForm = new QFormLayout(setup);
    setupForm->addRow(QStringLiteral("Select Alarm Type:"), type_);
    setupForm->addRow(QStringLiteral("Alarm Audio Indicator:"), audio_);
    setupForm->addRow(QStringLiteral("Alarm Monitored Channel:"), channel_);
    auto* simple = new QGroupBox(QStringLiteral("Simple Alarm Setting"), this);
    auto* simpleForm = new QFormLayout(simple);
    simpleForm->addRow(QStringLiteral("Amplitude Alarm Level: "), withUnit(simple, level_));
    auto* enhanced = new QGroupBox(QStringLiteral("Enhanced Alarm Settings"), this);
    auto* enhancedForm = new QFormLayout(enhanced);
    enhancedForm->addRow(QStringLiteral("Minimum Amplitude Level:"), withUnit(enhanced, minLevel_));
    enhancedForm->addRow(QStringLiteral("Maximum Amplitude Level:"), withUnit(enhanced, maxLevel_));
    enhancedForm->addRow(QStringLiteral("Medium Anomaly Width:"), width_);
    enhancedForm->addRow(QStringLiteral("No of Descending Rdgs:"), descending_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(setup);
    layout->addWidget(simple);
    layout->addWidget(enhanced);
    layout->addLayout(cancelOk(this, QStringLiteral("&Cancel"), QStringLiteral("&OK")));

    connect(type_, &QComboBox::currentIndexChanged, this, &AlarmSetupDialog::enableByType);
    enableByType(type_->currentIndex());
    type_->setFocus();
}

void AlarmSetupDialog::enableByType(int alarmType) {
    const bool on = alarmType != ALARM_DISABLED;
    const bool simple = alarmType == ALARM_SIMPLE;
    const bool enhanced = alarmType == ALARM_ENHANCED;
    audio_->setEnabled(on);
    channel_->setEnabled(on);
    level_->setEnabled(simple);
    for (QWidget* field : {static_cast<QWidget*>(minLevel_), static_cast<QWidget*>(maxLevel_),
                           static_cast<QWidget*>(width_), static_cast<QWidget*>(descending_)})
        field->setEnabled(enhanced);
}

void AlarmSetupDialog::accept() {
    config_.alarmType = type_->currentIndex();
    config_.alarmAudio = audio_->currentIndex();
    config_.alarmChannel = channel_->currentIndex();
    config_.alarmLevel = leadingDecimalOrZero(level_->text());
    config_.alarmMinLevel = leadingDecimalOrZero(minLevel_->text());
    config_.alarmMaxLevel = leadingDecimalOrZero(maxLevel_->text());
    config_.alarmAnomalyWidth = width_->currentIndex();
    config_.alarmDescendingReadings = descending_->currentIndex();
    saveSettings(variant_, config_);
    QDialog::accept();
}

int runAlarmSetupDialog(QWidget* parent, const Variant& variant, SurveyConfig& config) {
    AlarmSetupDialog dialog(parent, variant, config);
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}

// --- Audio Options

AudioOptionsDialog::AudioOptionsDialog(QWidget* owner, const Variant& variant, SurveyConfig& config)
    : QDialog(owner), variant_(variant), config_(config) {
    setObjectName(QStringLiteral("AUDIOFUNCTIONS"));
    setWindowTitle(QStringLiteral("Audio Options"));
    ticks_ = check(this, 1005, QStringLiteral("Audio Tiks During Data Collection"), config.audioTicks);
    disconnect_ = check(this, 1006, QStringLiteral("Sound Alarm for any Disconnection"), config.audioDisconnectAlarm);
    gpsMask_ = check(this, 1007, QStringLiteral("Enable Audio Warning for GPS Mask"), config.audioGpsMaskWarning);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ticks_);
    layout->addWidget(disconnect_);
    layout->addWidget(gpsMask_);
    layout->addLayout(cancelOk(this, QStringLiteral("Cancel"), QStringLiteral("OK")));
}

void AudioOptionsDialog::accept() {
    config_.audioTicks = ticks_->isChecked() ? 1 : 0;
    config_.audioDisconnectAlarm = disconnect_->isChecked() ? 1 : 0;
    config_.audioGpsMaskWarning = gpsMask_->isChecked() ? 1 : 0;
    saveSettings(variant_, config_);
    QDialog::accept();
}

int runAudioOptionsDialog(QWidget* parent, const Variant& variant, SurveyConfig& config) {
    AudioOptionsDialog dialog(parent, variant, config);
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}

}  // namespace velox
