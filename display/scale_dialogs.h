#pragma once
// The reading-scale dialogs ("READINGSCALE", and "READINGSCALE31" /
// "READINGSCALE34" for the conductivity meters) with their live colour-scale
// preview, and the speed-bar scale dialog ("SPEEDSCALE"). Both save the
// settings on OK; the reading-scale dialog tells its caller whether the map
// must be rebuilt.

#include <QDialog>

#include "config/survey_config.h"
#include "display/scales.h"

class QComboBox;
class QLineEdit;

namespace velox {

class ColorBarWnd;

struct ReadingScaleOutcome {
    bool accepted = false;
    // The caller recomputes the pane scales and restarts the curves and bars
    // after any accepted change; these say what else to do.
    bool rebuildMap = false;
    double colourStep = 0.0;
};

class ReadingScaleDialog : public QDialog {
    Q_OBJECT
public:
    // Shows `preview` (when given) while open and hides it on closing.
    ReadingScaleDialog(QWidget* owner, const Variant& variant, SurveyConfig& config, ColorBarWnd* preview);
    static ReadingScaleOutcome run(QWidget* owner, const Variant& variant, SurveyConfig& config,
                                   ColorBarWnd* preview);
    const ReadingScaleOutcome& outcome() const { return outcome_; }

    void accept() override;
    void reject() override;
    void done(int result) override;

private:
    QLineEdit* limitEdit(const QString& name, double value);
    // A limit typed while open takes effect at once when it keeps min below max.
    void applyTyped(QLineEdit* edit, double& limit, const double& other, bool isMinimum);
    void refreshPreview();

    const Variant variant_;
    SurveyConfig& config_;
    ColorBarWnd* preview_;
    const ReadingScaleLimits opened_;
    QLineEdit* minimum_ = nullptr;
    QLineEdit* maximum_ = nullptr;
    QLineEdit* inphaseMinimum_ = nullptr;
    QLineEdit* inphaseMaximum_ = nullptr;
    ReadingScaleOutcome outcome_;
};

class SpeedScaleDialog : public QDialog {
    Q_OBJECT
public:
    SpeedScaleDialog(QWidget* owner, const Variant& variant, SurveyConfig& config);
    // 1 when the scale was changed and saved, 0 otherwise.
    static int run(QWidget* owner, const Variant& variant, SurveyConfig& config);

    void accept() override;

private:
    const Variant variant_;
    SurveyConfig& config_;
    QLineEdit* newScale_ = nullptr;
    QComboBox* units_ = nullptr;
};

// Centred across the owner (`shiftRight` pixels further right), its top a
// seventh of the free height below the owner's top.
void placeScaleDialog(QDialog& dialog, const QWidget* owner, int shiftRight);

}  // namespace velox
