#include "app/message_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace velox {

namespace {

struct ButtonTexts {
    const char* first;
    const char* second;  // nullptr: one button only
    const char* firstId;
    const char* secondId;
};

// The identifiers are those of the platform's standard buttons (OK 1,
// Cancel 2, Yes 6, No 7).
ButtonTexts buttonTexts(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok: return {"OK", nullptr, "1", nullptr};
        case MessageButtons::OkCancel: return {"OK", "Cancel", "1", "2"};
        case MessageButtons::YesNo: return {"Yes", "No", "6", "7"};
    }
    return {"OK", nullptr, "1", nullptr};
}

}  // namespace

QString MessageDialog::templateName(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok: return QStringLiteral("MESSAGEOK");
        case MessageButtons::OkCancel: return QStringLiteral("MESSAGEOKCANCEL");
        case MessageButtons::YesNo: return QStringLiteral("MESSAGEYESNO");
    }
    return QStringLiteral("MESSAGEOK");
}

MessageDialog::MessageDialog(QWidget* owner, MessageButtons buttons, const QString& title, const QString& text)
    : QDialog(owner), buttons_(buttons) {
    setObjectName(templateName(buttons));
    setWindowTitle(title);
    setModal(true);

    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("550"));
    // Stored texts join lines with CR LF.
    label->setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setMinimumWidth(320);

    const ButtonTexts texts = buttonTexts(buttons);
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* first = new QPushButton(QString::fromLatin1(texts.first), this);
    first->setObjectName(QString::fromLatin1(texts.firstId));
    first->setDefault(true);
    connect(first, &QPushButton::clicked, this, [this] { done(1); });
    row->addWidget(first);
    if (texts.second) {
        auto* second = new QPushButton(QString::fromLatin1(texts.second), this);
        second->setObjectName(QString::fromLatin1(texts.secondId));
        connect(second, &QPushButton::clicked, this, [this] { done(0); });
        row->addWidget(second);
    }
    row->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addSpacing(8);
    layout->addLayout(row);
    setFixedSize(sizeHint());
}

// Escape and the window's close box answer as the second button would; a
// message with only OK has one answer.
void MessageDialog::reject() { done(buttons_ == MessageButtons::Ok ? 1 : 0); }

int MessageDialog::ask(QWidget* owner, MessageButtons buttons, const QString& title, const QString& text) {
    MessageDialog dialog(owner, buttons, title, text);
    return dialog.exec();
}

QtOperatorMessages::QtOperatorMessages(QWidget* owner)
    : owner_(owner), pendingMutex_(std::make_shared<std::mutex>()), pending_(std::make_shared<std::set<std::string>>()) {}

int QtOperatorMessages::show(const std::string& title, const std::string& text, MessageButtons buttons) {
    const QString qTitle = QString::fromStdString(title);
    const QString qText = QString::fromStdString(text);
    if (!owner_ || QThread::currentThread() == owner_->thread())
        return MessageDialog::ask(owner_, buttons, qTitle, qText);

    const std::string key = title + '\n' + text;
    {
        std::lock_guard lock(*pendingMutex_);
        if (!pending_->insert(key).second) return 1;
    }
    QPointer<QWidget> owner(owner_);
    QMetaObject::invokeMethod(
        owner_,
        [owner, buttons, qTitle, qText, key, mutex = pendingMutex_, pending = pending_] {
            MessageDialog::ask(owner, buttons, qTitle, qText);
            std::lock_guard lock(*mutex);
            pending->erase(key);
        },
        Qt::QueuedConnection);
    return 1;
}

}  // namespace velox
