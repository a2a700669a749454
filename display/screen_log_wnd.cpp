#include "display/screen_log_wnd.h"

#include <QAction>
#include <QKeyEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "app/start_logging.h"
#include "display/logging_dialogs.h"
#include "platform/qt/handover_pump.h"

namespace velox {

namespace {

constexpr int kStatusTickMs = 1000;
constexpr int kMargin = 20;
constexpr int kStatusBand = 16;
constexpr int kButtonWidth = 150;
constexpr int kButtonHeight = 56;
constexpr int kButtonGap = 2;
// Any other key, for "any key" pausing.
constexpr int kOtherKey = 0xFF;

// Silence until the program has a sound player.
class NoSounds final : public SoundPlayer {
public:
    void playSound(std::string_view, bool) override {}
    void stopSound() override {}
};
NoSounds noSounds;

// The virtual-key code of a Qt key: letters and digits are their ASCII codes.
int loggingKeyOf(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) return qtKey;
    switch (qtKey) {
        case Qt::Key_Tab: return KEY_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter: return KEY_ENTER;
        case Qt::Key_Space: return KEY_SPACE;
        case Qt::Key_Left: return KEY_LEFT;
        case Qt::Key_Up: return KEY_UP;
        case Qt::Key_Right: return KEY_RIGHT;
        case Qt::Key_Down: return KEY_DOWN;
        case Qt::Key_F2: return KEY_F2;
        case Qt::Key_F3: return KEY_F3;
        default: return kOtherKey;
    }
}

QLabel* textLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace

ScreenLogWnd::ScreenLogWnd(QWidget* startWindow, int width, int height, const Variant& variant,
                           SurveyConfig& config, SurveyContext& context)
    : QWidget(startWindow),
      variant_(variant),
      config_(config),
      context_(context),
      messages_(this),
      qtPicker_(this),
      picker_(&qtPicker_),
      sounds_(&noSounds) {
    setObjectName(QStringLiteral("4"));
    setWindowTitle(QStringLiteral("Log"));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(0, 0, width, height);
    pump_ = new HandOverPump(channel_, [this](int message) { dispatchWorkerMessage(message); }, this);
    connect(&timer1_, &QTimer::timeout, this, [this] {
        if (control_) control_->onTimer();
    });
    connect(&statusTimer_, &QTimer::timeout, this, &ScreenLogWnd::onStatusTick);
    createButtons();
    createTexts();
    layoutScreen();
    hide();
}

ScreenLogWnd::~ScreenLogWnd() {
    // The pump releases the channel (no reader may wait on a window that is
    // going away); it goes before the channel it drains.
    delete pump_;
}

void ScreenLogWnd::setWorkerHandler(int message, std::function<void()> handler) {
    if (message >= 0 && message < static_cast<int>(workerHandlers_.size()))
        workerHandlers_[message] = std::move(handler);
}

void ScreenLogWnd::dispatchWorkerMessage(int message) {
    if (message >= 0 && message < static_cast<int>(workerHandlers_.size()) && workerHandlers_[message])
        workerHandlers_[message]();
}

void ScreenLogWnd::createButtons() {
    for (int i = 0; i < kStateButtonCount; ++i) {
        auto* button = new QPushButton(this);
        button->setObjectName(QString::number(BTN_STATE_FIRST + i));
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QPushButton::clicked, this, [this, i] {
            if (control_) control_->buttonCommand(BTN_STATE_FIRST + i);
        });
        button->hide();
        stateButtons_[i] = button;
    }
    pauseButton_ = new QPushButton(QString::fromLatin1(PAUSE_BUTTON_LABEL.data(), PAUSE_BUTTON_LABEL.size()), this);
    pauseButton_->setObjectName(QString::number(BTN_PAUSE));
    pauseButton_->setFocusPolicy(Qt::NoFocus);
    QFont big = pauseButton_->font();
    big.setPixelSize(28);
    big.setBold(true);
    pauseButton_->setFont(big);
    connect(pauseButton_, &QPushButton::clicked, this, [this] {
        if (control_) control_->buttonCommand(BTN_PAUSE);
    });
    pauseButton_->hide();
}

void ScreenLogWnd::createTexts() {
    status_ = textLabel(this, "status");
    fileName_ = textLabel(this, "file");
    writeHealth_ = textLabel(this, "writeHealth");
    writeHealth_->setStyleSheet(QStringLiteral("color: red; font-weight: bold"));
    waitingForFix_ = textLabel(this, "waitingForFix");
    waitingForFix_->setText(QString::fromLatin1(WAITING_FOR_FIX_TEXT.data(), WAITING_FOR_FIX_TEXT.size()));
    waitingForFix_->setAlignment(Qt::AlignCenter);
    lostNotice_ = textLabel(this, "lostNotice");
    lostNotice_->setAlignment(Qt::AlignCenter);
    lostNotice_->setFrameShape(QFrame::Box);
    lostNotice_->setText(QStringLiteral("%1\n%2\n%3")
                             .arg(QString::fromLatin1(LOST_CONNECTION_NOTICE[0].data()),
                                  QString::fromLatin1(LOST_CONNECTION_NOTICE[1].data()),
                                  QString::fromLatin1(LOST_CONNECTION_NOTICE[2].data())));
    pauseHint_ = textLabel(this, "pauseHint");
    pauseHint_->setAlignment(Qt::AlignCenter);
    instrumentReadouts_ = textLabel(this, "instrumentReadouts");
    gpsReadouts_ = textLabel(this, "gpsReadouts");
    for (QLabel* readouts : {instrumentReadouts_, gpsReadouts_}) {
        readouts->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        readouts->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
}

void ScreenLogWnd::setReadouts(const QStringList& instrumentLines, const QStringList& gpsLines) {
    instrumentReadouts_->setText(instrumentLines.join(QLatin1Char('\n')));
    gpsReadouts_->setText(gpsLines.join(QLatin1Char('\n')));
}

// A plain arrangement until the panes arrive: the status line on top, the
// notices in the middle, the buttons in a 2 x 2 block at the bottom right
// with the pause button covering the same block.
void ScreenLogWnd::layoutScreen() {
    const int w = width();
    const int h = height();
    const int lineHeight = fontMetrics().height() + 2;
    status_->setGeometry(21, 2, w / 3, lineHeight);
    fileName_->setGeometry(21 + w / 3, 2, w / 3, lineHeight);
    writeHealth_->setGeometry(21, 2 + lineHeight, w - 2 * kMargin, lineHeight);
    waitingForFix_->setGeometry(kMargin, h / 3, w - 2 * kMargin, lineHeight);
    const int readoutTop = 3 * lineHeight + 8;
    instrumentReadouts_->setGeometry(21, readoutTop, w / 3, h / 3 - readoutTop - 4);
    gpsReadouts_->setGeometry(21 + w / 3, readoutTop, w / 3, h / 3 - readoutTop - 4);
    lostNotice_->setGeometry(w / 2 - 80, h / 3 + 2 * lineHeight, 160, 3 * lineHeight + 8);

    const int x0 = w - kMargin - 2 * kButtonWidth - kButtonGap;
    const int y0 = h - kStatusBand - 2 * kButtonHeight - kButtonGap;
    // Slots: Exit top left, the second button bottom left, Menu top right, the first bottom right.
    const int slotOfButton[kStateButtonCount] = {3, 1, 0, 2};
    for (int i = 0; i < kStateButtonCount; ++i) {
        const int slot = slotOfButton[i];
        const int x = x0 + (slot / 2) * (kButtonWidth + kButtonGap);
        const int y = y0 + (slot % 2) * (kButtonHeight + kButtonGap);
        stateButtons_[i]->setGeometry(x, y, kButtonWidth, kButtonHeight);
    }
    pauseButton_->setGeometry(x0, y0, 2 * kButtonWidth + kButtonGap, 2 * kButtonHeight + kButtonGap);
    pauseHint_->setGeometry(x0 - 2 * kButtonWidth, y0, 2 * kButtonWidth - 10, 2 * lineHeight);
}

bool ScreenLogWnd::startLogging() {
    if (!acquisition_) return false;
    if (!control_)
        control_ = std::make_unique<LoggingControl>(
            variant_, config_, context_, LoggingLinks{messages_, *picker_, *sounds_, *acquisition_, *this});
    LoggingStart start{variant_, config_, context_, messages_, *acquisition_, *control_};
    return velox::startLogging(start);
}

// --- LoggingScreenHost

void ScreenLogWnd::setTimerPeriod(uint32_t periodMs) {
    if (periodMs == 0) timer1_.stop();
    else timer1_.start(static_cast<int>(periodMs));
}

void ScreenLogWnd::showLoggingScreen() {
    show();
    raise();
    setFocus();
    statusTimer_.start(kStatusTickMs);
}

void ScreenLogWnd::showStartScreen() {
    statusTimer_.stop();
    hide();
    emit startScreenShown();
}

void ScreenLogWnd::refresh() {
    if (!control_) return;
    const LoggingControl& c = *control_;
    const bool logging = c.pauseButtonShown();
    const auto labels = c.stateButtons();
    for (int i = 0; i < kStateButtonCount; ++i) {
        QPushButton* button = stateButtons_[i];
        button->setText(QString::fromStdString(labels[i]));
        button->setVisible(!logging && !labels[i].empty());
        button->setEnabled(c.stateButtonEnabled(i));
        button->setDefault(!logging && c.defaultButton() == i);
    }
    pauseButton_->setVisible(logging);
    pauseButton_->setDefault(logging);
    status_->setText(QString::fromStdString(c.statusText()));
    fileName_->setText(QString::fromStdString(c.fileText()));
    const QString health = QString::fromStdString(c.writeHealthText());
    writeHealth_->setText(health);
    writeHealth_->setVisible(!health.isEmpty());
    waitingForFix_->setVisible(c.waitingForFirstFix());
    lostNotice_->setVisible(context_.logging.lostShown);
    const auto hint = pauseHintLines(config_.pauseKey);
    pauseHint_->setText(QString::fromStdString(hint[0] + "\n" + hint[1]));
    pauseHint_->setVisible(c.pauseHintShown());
}

void ScreenLogWnd::onStatusTick() {
    if (!control_) return;
    control_->dataFile().reportPendingFailure();
    refresh();
}

int ScreenLogWnd::popupMenu(const PopupMenu& menu) {
    QMenu popup(this);
    popup.setObjectName(QString::number(menu.id));
    for (const PopupMenuItem& item : menu.items) {
        QAction* action = popup.addAction(QString::fromStdString(item.text));
        action->setObjectName(QString::number(item.command));
        action->setData(item.command);
    }
    const QWidget* anchor = stateButtons_[BTN_STATE_MENU - BTN_STATE_FIRST];
    const QAction* chosen = popup.exec(anchor->mapToGlobal(QPoint(0, 0)));
    return chosen ? chosen->data().toInt() : 0;
}

std::optional<NewLineEntry> ScreenLogWnd::askNewLine(const NewLineProposal& proposal) {
    return NewLineDialog::ask(this, proposal);
}

std::optional<double> ScreenLogWnd::askNewStation(const NewStationView& view) {
    return NewStationDialog::ask(this, view);
}

std::optional<std::u16string> ScreenLogWnd::askComment() { return CommentDialog::ask(this); }

std::optional<int> ScreenLogWnd::askCoordinatesUnits(const CoordinatesUnitsChoice& choice) {
    return CoordinatesUnitsDialog::ask(this, choice);
}

// --- keys

bool ScreenLogWnd::focusNextPrevChild(bool) { return false; }

void ScreenLogWnd::keyPressEvent(QKeyEvent* event) {
    // A held key repeats; the soft marker follows the first press and the last release only.
    if (!control_ || event->isAutoRepeat()) return;
    control_->keyDown(loggingKeyOf(event->key()));
}

void ScreenLogWnd::keyReleaseEvent(QKeyEvent* event) {
    if (!control_ || event->isAutoRepeat()) return;
    control_->keyUp(loggingKeyOf(event->key()));
}

}  // namespace velox
