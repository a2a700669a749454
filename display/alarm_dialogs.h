#pragma once
// The EM61-LX2 target-alarm setup ("ALARMLX2") and the audio options
// ("AUDIOFUNCTIONS"). Each edits its settings and saves them on OK.

#include <QDialog>

#include "config/survey_config.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace velox {

// A decimal number at the start of an entry, as the alarm levels are read:
// at most 39 characters count, and text that is no number gives 0.
double leadingDecimalOrZero(const QString& text);

class AlarmSetupDialog : public QDialog {
    Q_OBJECT
public:
    AlarmSetupDialog(QWidget* owner, const Variant& variant, SurveyConfig& config);
    void accept() override;

private:
    // Which fields the selected alarm type uses.
    void enableByType(int alarmType);

    const Variant variant_;
    SurveyConfig& config_;
    QComboBox* type_;
    QComboBox* audio_;
    QComboBox* channel_;
    QLineEdit* level_;
    QLineEdit* minLevel_;
    QLineEdit* maxLevel_;
    QComboBox* width_;
    QComboBox* descending_;
};

class AudioOptionsDialog : public QDialog {
    Q_OBJECT
public:
    AudioOptionsDialog(QWidget* owner, const Variant& variant, SurveyConfig& config);
    void accept() override;

private:
    const Variant variant_;
    SurveyConfig& config_;
    QCheckBox* ticks_;
    QCheckBox* disconnect_;
    QCheckBox* gpsMask_;
};

// Modal; 1 when OK stored and saved the settings, 0 on Cancel.
int runAlarmSetupDialog(QWidget* parent, const Variant& variant, SurveyConfig& config);
int runAudioOptionsDialog(QWidget* parent, const Variant& variant, SurveyConfig& config);

}  // namespace velox
