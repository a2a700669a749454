#include "display/logging_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

namespace velox {

namespace {

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

std::optional<double> numberIn(const QLineEdit* edit) {
    bool ok = false;
    const double value = edit->text().trimmed().toDouble(&ok);
    if (!ok) return std::nullopt;
    return value;
}

QLineEdit* field(QWidget* parent, const QString& name, const QString& text, bool readOnly) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    return edit;
}

// OK closes the dialog only while `valid` holds.
QDialogButtonBox* okCancel(QDialog* dialog, std::function<bool()> valid) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, valid] {
        if (valid()) dialog->accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    return buttons;
}

QString wide(const std::u16string& text) { return QString::fromStdU16String(text); }

}  // namespace

void placeOverOwner(QDialog& dialog, const QWidget* owner) {
    if (!owner) return;
    dialog.adjustSize();
    const QRect area(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    const int x = area.x() + (area.width() - dialog.width()) / 2;
    const int y = area.y() + std::max(0, area.height() - dialog.height()) / 10;
    dialog.move(x, y);
}

// --- New Survey Line

NewLineDialog::NewLineDialog(QWidget* owner, const NewLineProposal& p) : QDialog(owner) {
    setObjectName(QStringLiteral("GETNEWLINE"));
    setWindowTitle(QStringLiteral("New Survey Line"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Current Line"), field(this, QStringLiteral("currentLine"), wide(p.currentLine), true));
    form->addRow(QStringLiteral("Last Station"), field(this, QStringLiteral("lastStation"), number(p.lastStation, 3), true));
    newLine_ = field(this, QStringLiteral("newLine"), wide(p.newLine), false);
    lineIncrement_ = field(this, QStringLiteral("lineIncrement"), number(p.lineIncrement, 2), false);
    lineSequence_ = new QComboBox(this);
    lineSequence_->setObjectName(QStringLiteral("lineSequence"));
    lineSequence_->addItems({QStringLiteral("Alternate"), QStringLiteral("One Way")});
    lineSequence_->setCurrentIndex(p.lineSequence == LINE_ONE_WAY ? 1 : 0);
    lineDirection_ = new QComboBox(this);
    lineDirection_->setObjectName(QStringLiteral("lineDirection"));
    lineDirection_->addItems({QStringLiteral("West"), QStringLiteral("South"), QStringLiteral("North"),
                              QStringLiteral("East")});
    lineDirection_->setCurrentIndex(p.lineDirection >= LINE_WEST && p.lineDirection <= LINE_EAST ? p.lineDirection
                                                                                                   : LINE_NORTH);
    startStation_ = field(this, QStringLiteral("startStation"), number(p.startStation, 3), false);
    stationIncrement_ = field(this, QStringLiteral("stationIncrement"), number(p.stationIncrement, 3), false);
    form->addRow(QStringLiteral("New Line"), newLine_);
    form->addRow(QStringLiteral("Line Increment"), lineIncrement_);
    form->addRow(QStringLiteral("Line Sequence"), lineSequence_);
    form->addRow(QStringLiteral("Line Direction"), lineDirection_);
    form->addRow(QStringLiteral("Start Station"), startStation_);
    form->addRow(QStringLiteral("Station Increment"), stationIncrement_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancel(this, [this] { return entry().has_value(); }));
    newLine_->setFocus();
    newLine_->selectAll();
}

std::optional<NewLineEntry> NewLineDialog::entry() const {
    const auto increment = numberIn(lineIncrement_);
    const auto start = numberIn(startStation_);
    const auto stationIncrement = numberIn(stationIncrement_);
    if (!increment || !start || !stationIncrement) return std::nullopt;
    return NewLineEntry{newLine_->text().toStdU16String(), *increment, lineSequence_->currentIndex(),
                        lineDirection_->currentIndex(), *start, *stationIncrement};
}

void NewLineDialog::keyPressEvent(QKeyEvent* event) {
    const auto* edit = qobject_cast<QLineEdit*>(focusWidget());
    if (event->key() == Qt::Key_C && !(edit && !edit->isReadOnly())) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

std::optional<NewLineEntry> NewLineDialog::ask(QWidget* owner, const NewLineProposal& proposal) {
    NewLineDialog dialog(owner, proposal);
    placeOverOwner(dialog, owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.entry();
}

// --- New Station

NewStationDialog::NewStationDialog(QWidget* owner, const NewStationView& v) : QDialog(owner) {
    setObjectName(QStringLiteral("NEWSTATION"));
    setWindowTitle(QStringLiteral("New Station"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Current Line"), field(this, QStringLiteral("currentLine"), wide(v.currentLine), true));
    form->addRow(QStringLiteral("Start Station"),
                 field(this, QStringLiteral("startStation"), number(v.startStation, 3), true));
    form->addRow(QStringLiteral("Current Station"),
                 field(this, QStringLiteral("currentStation"), number(v.currentStation, 3), true));
    newStation_ = field(this, QStringLiteral("newStation"), QString(), false);
    form->addRow(QStringLiteral("New Station"), newStation_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okCancel(this, [this] { return station().has_value(); }));
    newStation_->setFocus();
}

std::optional<double> NewStationDialog::station() const { return numberIn(newStation_); }

std::optional<double> NewStationDialog::ask(QWidget* owner, const NewStationView& view) {
    NewStationDialog dialog(owner, view);
    placeOverOwner(dialog, owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.station();
}

// --- Enter Comment

CommentDialog::CommentDialog(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("COMMENT"));
    setWindowTitle(QStringLiteral("Enter Comment"));
    auto* layout = new QVBoxLayout(this);
    comment_ = field(this, QStringLiteral("comment"), QString(), false);
    comment_->setMaxLength(static_cast<int>(kCommentLength));
    layout->addWidget(comment_);
    layout->addWidget(new QLabel(QStringLiteral("Maximum 11 characters"), this));
    layout->addWidget(okCancel(this, [] { return true; }));
    comment_->setFocus();
}

std::u16string CommentDialog::text() const { return comment_->text().toStdU16String(); }

std::optional<std::u16string> CommentDialog::ask(QWidget* owner) {
    CommentDialog dialog(owner);
    placeOverOwner(dialog, owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.text();
}

// --- Set Coordinates Display Units

CoordinatesUnitsDialog::CoordinatesUnitsDialog(QWidget* owner, const CoordinatesUnitsChoice& choice)
    : QDialog(owner) {
    setObjectName(QStringLiteral("COORDINATESUNITS"));
    setWindowTitle(QStringLiteral("Set Coordinates Display Units"));
    units_ = new QComboBox(this);
    units_->setObjectName(QStringLiteral("1004"));
    for (const std::string& item : choice.items) units_->addItem(QString::fromStdString(item));
    units_->setCurrentIndex(choice.selected);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Coordinates Units:"), this));
    layout->addWidget(units_);
    layout->addWidget(okCancel(this, [] { return true; }));
    units_->setFocus();
}

std::optional<int> CoordinatesUnitsDialog::ask(QWidget* owner, const CoordinatesUnitsChoice& choice) {
    CoordinatesUnitsDialog dialog(owner, choice);
    placeOverOwner(dialog, owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.units_->currentIndex();
}

}  // namespace velox
