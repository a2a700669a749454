#include "app/start_wnd.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "acquisition/monitor_gps_wnd.h"
#include "app/message_dialog.h"
#include "display/alarm_dialogs.h"
#include "display/scales.h"
#include "display/screen_log_wnd.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace velox {

namespace {

// Past this many milliseconds of uptime (20 days) the tick counter comes
// too close to its wrap after about 49.7 days.
constexpr Tick kUptimeLimitMs = 1'728'000'000;

const QColor kBlue(0, 0, 255);
const QColor kProductGrey(0xA0, 0xA0, 0xA0);
const QColor kCaptionGrey(0x50, 0x50, 0x50);

QString buttonLabel(int index, InstrumentType type) {
    switch (index) {
        case CMD_LOGGING: return QStringLiteral("&Logging");
        case CMD_SURVEY_SETUP: return QStringLiteral("&Survey Setup");
        case CMD_SYSTEM_SETUP: return QStringLiteral("Sys&tem Setup");
        case CMD_GEOMETRY_OR_ALARMS_SETUP:
            return type == InstrumentType::Em61Lx2 ? QStringLiteral("Alarms S&etup") : QStringLiteral("G&eometry Setup");
        case CMD_GPS_PORT_SETUP: return QStringLiteral("&GPS Port Setup");
        case CMD_GPS_MONITORING: return QStringLiteral("GPS M&onitoring");
        case CMD_MAP_OPTIONS: return QStringLiteral("&Map Options");
        case CMD_PROFILES_OPTIONS: return QStringLiteral("&Profiles Options");
        case CMD_RESET_TO_DEFAULT: return QStringLiteral("&Reset to Default");
        case CMD_EXIT: return QStringLiteral("E&xit");
    }
    return {};
}

// The command of an access letter, or -1.
int commandOfLetter(int key) {
    static constexpr struct {
        int key;
        int command;
    } letters[] = {
        {Qt::Key_L, CMD_LOGGING},
        {Qt::Key_S, CMD_SURVEY_SETUP},
        {Qt::Key_T, CMD_SYSTEM_SETUP},
        {Qt::Key_E, CMD_GEOMETRY_OR_ALARMS_SETUP},
        {Qt::Key_G, CMD_GPS_PORT_SETUP},
        {Qt::Key_O, CMD_GPS_MONITORING},
        {Qt::Key_M, CMD_MAP_OPTIONS},
        {Qt::Key_P, CMD_PROFILES_OPTIONS},
        {Qt::Key_R, CMD_RESET_TO_DEFAULT},
        {Qt::Key_X, CMD_EXIT},
    };
    for (const auto& l : letters) {
        if (l.key == key) return l.command;
    }
    return -1;
}

QRectF toQt(const RectF& r) { return {r.x, r.y, r.width, r.height}; }
QRect toQt(const Rect& r) { return {r.x, r.y, r.width, r.height}; }

void smallCircle(QPainter& p, int x, int y) { p.drawEllipse(QPointF(x, y), 3.0, 3.0); }

void drawText(QPainter& p, const QFont& font, const QColor& colour, int x, int top, const QString& text) {
    p.setFont(font);
    p.setPen(colour);
    p.drawText(x, top + QFontMetrics(font).ascent(), text);
}

int textWidth(const QFont& font, const QString& text) { return QFontMetrics(font).horizontalAdvance(text); }

}  // namespace

StartWnd::StartWnd(const Variant& variant, SurveyConfig& config, SurveyContext& context, QSize screenSize,
                   QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      variant_(variant),
      config_(config),
      context_(context) {
    setObjectName(QStringLiteral("Velox"));
    setWindowTitle(QString::fromStdString(variantTitle(variant)));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    context_.variant = variant;
    placement_ = placeStartWindow(screenSize.width(), screenSize.height());
    context_.portraitScreen = placement_.portraitScreen;
    auto& screen = context_.screen;
    screen.windowWidth = placement_.width;
    screen.windowHeight = placement_.height;
    // The window manager puts its frame outside the widget: the client area
    // is the whole window size.
    setFixedSize(placement_.width, placement_.height);
    move(placement_.x, placement_.y);
    screen.clientWidth = placement_.width;
    screen.clientHeight = placement_.height;
    screen.largeScreen = largeScreen(screen.clientWidth, screen.clientHeight, placement_.portraitScreen) ? 1 : 0;

    ensureFolder(temporaryFolder());  // a failure here is of no consequence
    loadConfiguration();
    createFonts();
    createButtons();
    createChildWindows();
    context_.ports.gpsEnabled = config_.gpsInput != 0 ? 1 : 0;
}

void StartWnd::loadConfiguration() {
    applyStartupDefaults(variant_, config_, context_);
    context_.screen.uptimeWarning = tickNow() > kUptimeLimitMs ? 1 : 0;
    if (variant_.productLine == ProductLine::Orv) config_.colourMapView = 0;
    loadSettings(variant_, config_, context_);
    // The reading scales begin every run at the instrument's defaults.
    resetReadingScales(variant_.instrumentType, config_);
    if (isGrad601(variant_.instrumentType)) config_.geometryUnits = 0;
}

void StartWnd::createFonts() {
    auto& screen = context_.screen;
    fonts_ = velox::createFonts(screen.largeScreen != 0);
    screen.layoutColumnWidth = layoutColumnWidth(screen.largeScreen != 0);
    screen.textHeight = QFontMetrics(screen.largeScreen ? fonts_.fontText : font()).height();
    screen.lineHeight =
        lineHeight(screen.textHeight, variant_.instrumentType, context_.portraitScreen, screen.clientWidth);
}

void StartWnd::createButtons() {
    auto& screen = context_.screen;
    buttonLayout_ = layoutStartButtons(screen.clientWidth, screen.clientHeight, context_.portraitScreen);
    screen.buttonX = buttonLayout_.buttonX;
    screen.buttonY = buttonLayout_.buttonY;
    screen.buttonWidth = buttonLayout_.buttonWidth;
    screen.buttonHeight = buttonLayout_.buttonHeight;
    screen.selectedButton = 0;

    const bool modest = screen.clientWidth <= 1100 && screen.clientHeight <= 1100;
    QStringList labels;
    for (int i = 0; i < kStartButtonCount; ++i) labels << buttonLabel(i, variant_.instrumentType);
    // Where this platform's font runs wider than the buttons, all labels get
    // the same smaller size rather than losing their ends.
    const QFont font = fittedFont(
        modest ? fonts_.fontBold18 : context_.portraitScreen ? fonts_.fontBold24 : fonts_.fontBold28, labels,
        buttonLayout_.buttonWidth - 16);
    for (int i = 0; i < kStartButtonCount; ++i) {
        auto* button = new QPushButton(labels[i], this);
        button->setObjectName(QString::number(kFirstStartButtonId + i));
        // The start window keeps the keyboard: it moves the default button.
        button->setFocusPolicy(Qt::NoFocus);
        button->setFont(font);
        button->setGeometry(toQt(buttonLayout_.buttons[i]));
        connect(button, &QPushButton::clicked, this, [this, i] { command(i); });
        buttons_[i] = button;
    }
    buttons_[0]->setDefault(true);
}

void StartWnd::createChildWindows() {
    logWindow_ = new ScreenLogWnd(this, placement_.width, placement_.height, variant_, config_, context_);
    connect(logWindow_, &ScreenLogWnd::startScreenShown, this, &StartWnd::showStartButtons);
    gpsMonitorWindow_ = new MonitorGPSWnd(this, placement_.width, placement_.height);
}

SettingsSummary StartWnd::summaryRows() const { return settingsSummaryRows(variant_, config_, context_.derived); }

InstrumentSketch StartWnd::sketch() const {
    const Rect box = textLayout().geometryBox;
    return sketchInstrument(variant_.instrumentType, config_, context_.derived.workingGpsOffsetY,
                            RectF{double(box.x), double(box.y), double(box.width), double(box.height)});
}

StartWnd::TextLayout StartWnd::textLayout() const {
    const auto& screen = context_.screen;
    const int bottom = screen.clientHeight;
    TextLayout t;
    const bool portrait = context_.portraitScreen != 0;
    t.narrowSummary = portrait && screen.clientHeight < 900;
    if (portrait) {
        t.productNameY = 5;
        t.versionY = t.productNameY + QFontMetrics(fonts_.fontHeavy48).height();
        const int versionBottom = t.versionY + QFontMetrics(fonts_.fontText).height();
        const double gap = screen.clientHeight > 899 ? 2.0 : 1.2;
        t.summaryTop = versionBottom + static_cast<int>(gap * screen.lineHeight);
    } else {
        t.productNameY = bottom - 100;
        t.versionY = bottom - 70;
        t.summaryTop = 30;
    }
    t.geometryBox = geometryBox(screen.clientWidth, screen.clientHeight, context_.portraitScreen, buttonLayout_,
                                t.summaryTop);
    if (portrait) {
        // Keep the caption of the box clear of the last summary row.
        const SummarySpacing spacing = summarySpacing(t.narrowSummary);
        const QFont& font = t.narrowSummary ? fonts_.fontText16 : fonts_.fontLight20;
        const int summaryBottom = t.summaryTop + 2 * spacing.afterHeading +
                                  (kSummaryRowCount - 1) * spacing.betweenRows + QFontMetrics(font).height();
        const int captionHeight = QFontMetrics(fonts_.fontText).height();
        const int lowest = summaryBottom + captionHeight + 6;
        if (t.geometryBox.y < lowest) {
            t.geometryBox.height = std::max(0, t.geometryBox.bottom() - lowest);
            t.geometryBox.y = lowest;
        }
    }
    return t;
}

// --- painting

void StartWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const TextLayout t = textLayout();
    paintFrame(p);
    paintTitles(p, t);
    paintSummary(p, t);
    paintGeometry(p, t);
}

void StartWnd::paintFrame(QPainter& p) const {
    const int w = context_.screen.clientWidth;
    const int bottom = context_.screen.clientHeight;
    const int bx = buttonLayout_.buttonX;
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    if (context_.portraitScreen) {
        const int lineY = buttonLayout_.buttonY - 10;
        p.drawLine(10, 14, 10, bottom - 10);
        p.drawLine(w - 14, 14, w - 14, bottom - 10);
        p.drawLine(10, lineY, w - 14, lineY);
        for (int x : {10, w - 14}) {
            for (int y : {14, bottom - 10}) smallCircle(p, x, y);
        }
        return;
    }
    p.drawLine(10, 14, 10, bottom - 10);
    const QPoint frame[] = {{bx, 14}, {w - 14, 14}, {w - 14, bottom - 10}, {bx, bottom - 10}, {bx, bottom - 90}};
    p.drawPolyline(frame, 5);
    smallCircle(p, 10, 14);
    smallCircle(p, bx, 14);
    smallCircle(p, bx, bottom - 90);
    smallCircle(p, 10, bottom - 10);
}

void StartWnd::paintTitles(QPainter& p, const TextLayout& t) const {
    const int w = context_.screen.clientWidth;
    const int bottom = context_.screen.clientHeight;
    const QString company = QStringLiteral("Halvik Software Inc.");
    const QString product = QString::fromStdString(variantTitle(variant_));
    const QString version = QString::fromStdString(versionLine(variant_));
    if (context_.portraitScreen) {
        drawText(p, fonts_.fontText, kBlue, (w - textWidth(fonts_.fontText, company)) / 2, bottom - 20, company);
        const int productWidth = textWidth(fonts_.fontHeavy48, product);
        const int productX = (w - productWidth) / 2;
        drawText(p, fonts_.fontHeavy48, kProductGrey, productX, t.productNameY, product);
        drawText(p, fonts_.fontText, kBlue, productX + productWidth - textWidth(fonts_.fontText, version), t.versionY,
                 version);
        return;
    }
    const int right = w - 30;
    drawText(p, fonts_.fontText, kBlue, right - textWidth(fonts_.fontText, company), bottom - 36, company);
    // The name stays inside the frame of the button area.
    const QFont productFont = fittedFont(fonts_.fontBold28, {product}, right - buttonLayout_.buttonX - 8);
    drawText(p, productFont, kProductGrey, right - textWidth(productFont, product), t.productNameY, product);
    drawText(p, fonts_.fontText, kBlue, right - textWidth(fonts_.fontText, version), t.versionY, version);
}

void StartWnd::paintSummary(QPainter& p, const TextLayout& t) const {
    const QFont& font = t.narrowSummary ? fonts_.fontText16 : fonts_.fontLight20;
    const SummarySpacing spacing = summarySpacing(t.narrowSummary);
    const int rightLimit = summaryRightLimit(context_.screen.clientWidth, context_.portraitScreen, buttonLayout_);
    const SettingsSummary rows = summaryRows();
    int widestLabel = 0;
    for (const SummaryRow& row : rows) {
        for (const std::string& label : {row.leftLabel, row.rightLabel})
            widestLabel = std::max(widestLabel, textWidth(font, QString::fromStdString(label)));
    }
    const SummaryColumns cols = summaryColumns(20, rightLimit, t.narrowSummary, textWidth(font, "1885.000"),
                                               textWidth(font, "Pseudo GGA"), widestLabel);
    const QString heading = QStringLiteral("CURRENT PROGRAM SETTINGS");
    int y = t.summaryTop;
    drawText(p, font, Qt::black, cols.centre - textWidth(font, heading) / 2, y, heading);
    y += spacing.afterHeading;
    drawText(p, font, Qt::black, cols.leftLabelX, y, QStringLiteral("SURVEY PARAMETERS"));
    drawText(p, font, Qt::black, cols.rightLabelX + 50, y, QStringLiteral("SYSTEM SETUP"));
    y += spacing.afterHeading;
    for (const SummaryRow& row : rows) {
        drawText(p, font, Qt::black, cols.leftLabelX, y, QString::fromStdString(row.leftLabel));
        drawText(p, font, Qt::black, cols.leftValueX, y, QString::fromStdString(row.leftValue));
        drawText(p, font, Qt::black, cols.rightLabelX, y, QString::fromStdString(row.rightLabel));
        drawText(p, font, Qt::black, cols.rightValueX, y, QString::fromStdString(row.rightValue));
        y += spacing.betweenRows;
    }
}

void StartWnd::paintGeometry(QPainter& p, const TextLayout& t) const {
    const Rect& box = t.geometryBox;
    const QString caption = QStringLiteral("Geometry Setup");
    const QFontMetrics captionMetrics(fonts_.fontText);
    drawText(p, fonts_.fontText, kCaptionGrey, box.x + (box.width - captionMetrics.horizontalAdvance(caption)) / 2,
             box.y - captionMetrics.height() - 2, caption);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(toQt(box));

    const InstrumentSketch s = sketch();
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(0xC8, 0xC8, 0xC8));
    for (const SketchShape& shape : s.body) {
        const QRectF r = toQt(shape.bounds);
        switch (shape.kind) {
            case ShapeKind::Rectangle: p.drawRect(r); break;
            case ShapeKind::RoundedRectangle: p.drawRoundedRect(r, 4, 4); break;
            case ShapeKind::Ellipse: p.drawEllipse(r); break;
            case ShapeKind::Line: p.drawLine(r.topLeft(), r.bottomRight()); break;
        }
    }
    if (s.antennaShown) {
        p.setPen(QPen(Qt::red, 2));
        p.setBrush(QColor(255, 200, 200));
        p.drawEllipse(QPointF(s.antennaCentre.x, s.antennaCentre.y), s.antennaRadius, s.antennaRadius);
    }

    // The direction of travel: an arrow pointing up.
    const QPointF tail(s.arrowTail.x, s.arrowTail.y);
    const QPointF tip(s.arrowTip.x, s.arrowTip.y);
    p.setPen(QPen(kBlue, 2));
    p.setBrush(kBlue);
    p.drawLine(tail, tip + QPointF(0, 6));
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip + QPointF(-6, 14));
    head.lineTo(tip + QPointF(6, 14));
    head.closeSubpath();
    p.drawPath(head);
}

// --- commands and keys

void StartWnd::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    setFocus();
    if (context_.screen.uptimeWarning && !uptimeReported_) {
        uptimeReported_ = true;
        // After the first paint, as the operator must see the screen behind it.
        QTimer::singleShot(0, this, &StartWnd::reportUptime);
    }
}

bool StartWnd::focusNextPrevChild(bool) { return false; }

bool StartWnd::takeFocusFromChildScreens() {
    for (QWidget* screen : {static_cast<QWidget*>(logWindow_), static_cast<QWidget*>(gpsMonitorWindow_)}) {
        if (screen->isVisible()) {
            screen->setFocus();
            return true;
        }
    }
    setFocus();
    return false;
}

void StartWnd::keyPressEvent(QKeyEvent* event) {
    if (takeFocusFromChildScreens() || context_.screen.screenState != 0) return;
    const int selected = context_.screen.selectedButton;
    switch (event->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Right:
        case Qt::Key_Down: selectButton((selected + 1) % kStartButtonCount); return;
        case Qt::Key_Backtab:
        case Qt::Key_Left:
        case Qt::Key_Up: selectButton((selected + kStartButtonCount - 1) % kStartButtonCount); return;
        case Qt::Key_Return:
        case Qt::Key_Enter: command(selected); return;
        default: break;
    }
    if (const int letter = commandOfLetter(event->key()); letter >= 0) command(letter);
}

void StartWnd::selectButton(int index) {
    buttons_[context_.screen.selectedButton]->setDefault(false);
    context_.screen.selectedButton = index;
    buttons_[index]->setDefault(true);
}

void StartWnd::command(int index) {
    if (takeFocusFromChildScreens()) return;
    switch (index) {
        case CMD_LOGGING:
            if (logWindow_->startLogging()) {
                for (QPushButton* button : buttons_) button->hide();
            }
            update();
            break;
        case CMD_GEOMETRY_OR_ALARMS_SETUP:
            if (variant_.instrumentType == InstrumentType::Em61Lx2) runAlarmSetupDialog(this, variant_, config_);
            update();
            break;
        case CMD_RESET_TO_DEFAULT: resetToDefault(); break;
        case CMD_EXIT: close(); break;
        default:
            // The setup dialogs, the GPS monitor and the display options
            // arrive with their own screens.
            break;
    }
}

void StartWnd::showStartButtons() {
    for (QPushButton* button : buttons_) button->show();
    update();
    setFocus();
}

void StartWnd::resetToDefault() {
    const int answer = MessageDialog::ask(
        this, MessageButtons::OkCancel, QStringLiteral("Reset to Default Setting"),
        QStringLiteral("Program settings will be reset to default and the program will close"));
    if (answer != 1) return;
    resetSettings(variant_);
    busyWait(100);
    close();
}

void StartWnd::reportUptime() {
    MessageDialog::ask(this, MessageButtons::Ok, QStringLiteral("Program Stop"),
                       QStringLiteral("Windows has run for more than 20 days.\r\n"
                                      "Please restart the system to ensure efficient use of Windows timer.\r\n"
                                      "Use RESTART not SHUT DOWN."));
    busyWait(100);
    close();
}

}  // namespace velox
