#pragma once
// The one modal message dialog: templates "MESSAGEOK", "MESSAGEOKCANCEL" and
// "MESSAGEYESNO", exactly the given title, the text in the label "550"; the
// first button ends it with 1, the second with 0.

#include <QDialog>
#include <QString>

#include "platform/operator_messages.h"

class QWidget;

namespace velox {

class MessageDialog : public QDialog {
    Q_OBJECT
public:
    MessageDialog(QWidget* owner, MessageButtons buttons, const QString& title, const QString& text);

    // Shows the message modally over `owner` and returns 1 or 0.
    static int ask(QWidget* owner, MessageButtons buttons, const QString& title, const QString& text);

    static QString templateName(MessageButtons buttons);

protected:
    void reject() override;

private:
    MessageButtons buttons_;
};

// Lets the Qt-free core show its messages over a window.
class QtOperatorMessages final : public OperatorMessages {
public:
    explicit QtOperatorMessages(QWidget* owner) : owner_(owner) {}
    int show(const std::string& title, const std::string& text, MessageButtons buttons) override;

private:
    QWidget* owner_;
};

}  // namespace velox
