#pragma once
// The one modal message dialog: templates "MESSAGEOK", "MESSAGEOKCANCEL" and
// "MESSAGEYESNO", exactly the given title, the text in the label "550"; the
// first button ends it with 1, the second with 0.

#include <QDialog>
#include <QString>

#include <memory>
#include <mutex>
#include <set>
#include <string>

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

// Lets the Qt-free core show its messages over a window. On the
// user-interface thread a message is modal and returns the answer. From a
// reader thread it is handed to the user-interface thread and show returns
// 1 at once: a reader must never wait for the operator while the user
// interface may be waiting for that reader. While such a message is on
// screen, the same message again is not stacked on top of it.
class QtOperatorMessages final : public OperatorMessages {
public:
    explicit QtOperatorMessages(QWidget* owner);
    int show(const std::string& title, const std::string& text, MessageButtons buttons) override;

private:
    QWidget* owner_;
    std::shared_ptr<std::mutex> pendingMutex_;
    std::shared_ptr<std::set<std::string>> pending_;  // title + text of the messages shown for other threads
};

}  // namespace velox
