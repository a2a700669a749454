#pragma once
// The logging screen's dialogs: New Survey Line ("GETNEWLINE"), New Station
// ("NEWSTATION") and Enter Comment ("COMMENT"). Each shows what the control
// proposes and returns what the operator accepted; OK is taken only when
// every number field holds a number.

#include <QDialog>
#include <optional>

#include "logging/logging_control.h"

class QComboBox;
class QLineEdit;

namespace velox {

class NewLineDialog : public QDialog {
    Q_OBJECT
public:
    NewLineDialog(QWidget* owner, const NewLineProposal& proposal);
    static std::optional<NewLineEntry> ask(QWidget* owner, const NewLineProposal& proposal);
    std::optional<NewLineEntry> entry() const;

protected:
    // C closes the dialog as Cancel (unless typed into a text box).
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* newLine_;
    QLineEdit* lineIncrement_;
    QComboBox* lineSequence_;
    QComboBox* lineDirection_;
    QLineEdit* startStation_;
    QLineEdit* stationIncrement_;
};

class NewStationDialog : public QDialog {
    Q_OBJECT
public:
    NewStationDialog(QWidget* owner, const NewStationView& view);
    static std::optional<double> ask(QWidget* owner, const NewStationView& view);
    std::optional<double> station() const;

private:
    QLineEdit* newStation_;
};

class CommentDialog : public QDialog {
    Q_OBJECT
public:
    explicit CommentDialog(QWidget* owner);
    static std::optional<std::u16string> ask(QWidget* owner);
    std::u16string text() const;

private:
    QLineEdit* comment_;
};

// "COORDINATESUNITS": the units of the coordinate read-outs; the chosen
// list position.
class CoordinatesUnitsDialog : public QDialog {
    Q_OBJECT
public:
    CoordinatesUnitsDialog(QWidget* owner, const CoordinatesUnitsChoice& choice);
    static std::optional<int> ask(QWidget* owner, const CoordinatesUnitsChoice& choice);

private:
    QComboBox* units_;
};

// Places a dialog over its owner: centred across, its top a tenth of the free height below the owner's top.
void placeOverOwner(QDialog& dialog, const QWidget* owner);

}  // namespace velox
