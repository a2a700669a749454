#include "display/screen_log_wnd.h"

#include <QAction>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include "app/start_logging.h"
#include "display/color_bar_wnd.h"
#include "display/logging_dialogs.h"
#include "display/map_geometry.h"
#include "display/map_wnd.h"
#include "display/numbers_wnd.h"
#include "display/profile_panes.h"
#include "platform/qt/handover_pump.h"
#include "platform/text.h"

namespace velox {

namespace {

constexpr int kStatusTickMs = 1000;
constexpr QColor kFrameGrey{64, 64, 64};
constexpr int kFrameCircle = 6;
constexpr int kInfoFrameRadius = 10;
constexpr int kStripInset = 3;  // between the colour strip and the panes beside it
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

QString qText(const std::string& text) { return QString::fromStdString(text); }
QRect qRect(const Rect& r) { return {r.x, r.y, r.width, r.height}; }
void place(QWidget* widget, const Rect& r) { widget->setGeometry(qRect(r)); }

const char* const kMapButtonLabels[kMapViewButtonCount] = {
    "&Lf", "&Rt", "U&p", "&Dn", "Zm&+", "Zm&-", "&Fit All", "Enter Rev&iew", "&Exit Review",
};

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
    createLoggingScreen();
    hide();
}

// The panes, buttons and texts with a first layout; every start of logging lays them out again.
void ScreenLogWnd::createLoggingScreen() {
    fonts_ = createFonts(context_.screen.largeScreen != 0);
    palette_ = createPalette(config_);
    createPanes();
    createButtons();
    createMapButtons();
    createChannelSelectors();
    createTexts();
    relayout();
}

void ScreenLogWnd::createPanes() {
    map_ = new MapWnd(this);
    colorBar_ = new ColorBarWnd(this);
    colorBar_->setColourPalette(&palette_);
    colorBar_->setLabelFont(fonts_.fontTextBold);
    colorBar_->placeFor(variant_.instrumentType);
    colorBar_->hide();  // shown only while the reading scale is edited
    numbers_ = new NumbersWnd(this);
    numbers_->setFonts(fonts_.fontText, fonts_.fontTextBold);
    for (CurveWnd*& curve : curves_) curve = new CurveWnd(this);
    decay_ = new DecayWnd(this);
    barQ_ = new BarQWnd(this);
    barI_ = new BarIWnd(this);
    speed_ = new SpeedWnd(this);
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
        button->setFont(fonts_.fontText);
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

void ScreenLogWnd::createMapButtons() {
    for (int i = 0; i < kMapViewButtonCount; ++i) {
        auto* button = new QPushButton(QString::fromLatin1(kMapButtonLabels[i]), this);
        const int id = BTN_MAP_FIRST + i;
        button->setObjectName(QString::number(id));
        button->setFont(fonts_.fontText);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QPushButton::clicked, this, [this, id] {
            if (control_) control_->buttonCommand(id);
        });
        button->hide();
        mapButtons_[i] = button;
    }
}

// The selectors of the instrument; their places come with the layout.
void ScreenLogWnd::createChannelSelectors() {
    LoggingLayoutInput in = layoutInput(context_.portraitScreen != 0);
    for (const ChannelSelector& selector : layoutLoggingScreen(in).selectors) {
        auto* radio = new QRadioButton(this);
        radio->setObjectName(QString::number(selector.id));
        radio->setFocusPolicy(Qt::NoFocus);
        radio->setAutoExclusive(false);  // the second sensor's selectors repeat the first's channels
        const int id = selector.id;
        connect(radio, &QRadioButton::clicked, this, [this, id] {
            if (control_) control_->buttonCommand(id);
            showChannelSelectors();
        });
        radio->hide();
        selectors_.push_back(radio);
    }
}

void ScreenLogWnd::createTexts() {
    status_ = textLabel(this, "status");
    fileName_ = textLabel(this, "file");
    for (QLabel* label : {status_, fileName_}) label->setFont(fonts_.fontText);
    writeHealth_ = textLabel(this, "writeHealth");
    writeHealth_->setStyleSheet(QStringLiteral("color: red; font-weight: bold"));
    waitingForFix_ = textLabel(this, "waitingForFix");
    waitingForFix_->setText(QString::fromLatin1(WAITING_FOR_FIX_TEXT.data(), WAITING_FOR_FIX_TEXT.size()));
    waitingForFix_->setAlignment(Qt::AlignCenter);
    waitingForFix_->setFont(fonts_.fontBold28);
    pauseHint_ = textLabel(this, "pauseHint");
    pauseHint_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    pauseHint_->hide();
}

// --- layout

LoggingLayoutInput ScreenLogWnd::layoutInput(bool portrait) const {
    LoggingLayoutInput in;
    in.clientWidth = width();
    in.clientHeight = height();
    in.portrait = portrait;
    in.largeScreen = context_.screen.largeScreen != 0;
    in.lineHeight = context_.screen.lineHeight > 0 ? context_.screen.lineHeight : fontMetrics().height() + 2;
    in.instrument = variant_.instrumentType;
    in.sensorCount = config_.sensorCountIndex + 1;
    in.productLine = variant_.productLine;
    in.mapViewActive = control_ ? control_->mapViewActive() : config_.gpsInput != 0;
    in.gpsInput = config_.gpsInput != 0;
    const QString mapSizeTemplate = QString::fromLatin1(MAP_SIZE_TEMPLATE.data(), MAP_SIZE_TEMPLATE.size());
    in.mapSizeCaptionWidth = QFontMetrics(fonts_.fontText).horizontalAdvance(mapSizeTemplate);
    return in;
}

void ScreenLogWnd::layoutLandscape() { applyLayout(velox::layoutLandscape(layoutInput(false))); }

void ScreenLogWnd::layoutPortrait() { applyLayout(velox::layoutPortrait(layoutInput(true))); }

void ScreenLogWnd::relayout() {
    if (context_.portraitScreen) layoutPortrait();
    else layoutLandscape();
}

void ScreenLogWnd::applyLayout(const LoggingLayout& l) {
    layout_ = l;
    laidOutWithMap_ = l.mapShown;
    context_.derived.mapPaneWidth = l.map.width;
    map_->setVisible(l.mapShown);
    if (l.mapShown) place(map_, l.map);
    speed_->setVisible(l.speedBarShown);
    place(speed_, l.speedBar);
    place(numbers_, l.numbers);
    numbers_->setRowHeight(l.lineHeight);
    const int sensors = config_.sensorCountIndex + 1;
    numbers_->setLabels(numbersPaneLabels(variant_.instrumentType, sensors, config_.dipoleMode));
    const std::array<std::pair<QWidget*, Rect>, 6> panes{{{curves_[0], l.profileA}, {curves_[1], l.profileB},
                                                         {curves_[2], l.profileC}, {decay_, l.decay},
                                                         {barQ_, l.barQ}, {barI_, l.barI}}};
    for (const auto& [pane, r] : panes) {
        pane->setVisible(r.width > 0 && r.height > 0);
        place(pane, r);
    }
    for (int i = 0; i < kStateButtonCount; ++i) place(stateButtons_[i], l.stateButtons[i]);
    place(pauseButton_, l.pauseButton);
    for (int i = 0; i < kMapViewButtonCount; ++i) place(mapButtons_[i], l.mapButtons[i]);
    for (std::size_t i = 0; i < selectors_.size() && i < l.selectors.size(); ++i)
        place(selectors_[i], l.selectors[i].rect);
    layoutTexts(l);
    const int letterWidth = QFontMetrics(fonts_.fontText).horizontalAdvance(QStringLiteral("E"));
    alarmGeometry_ = alarmIndicatorGeometry(l.map.x, l.map.width, sensors, letterWidth);
    placeTexts();
    refreshMapButtons();
    showChannelSelectors();
    update();
    if (layoutListener_) layoutListener_();
}

// The text rectangles. The information block starts in the normal text font
// narrowed to its widest lines; where its lines still run out of their place
// (narrow screens), the font shrinks until they fit.
void ScreenLogWnd::layoutTexts(const LoggingLayout& l) {
    constexpr int kSmallestInfoPixelSize = 8;
    QStringList widest;
    for (const std::string& line : informationWidestLines()) widest << qText(line);
    infoFont_ = fittedFont(fonts_.fontText, widest, informationRegion(l).width);
    ReadoutInput readoutIn;
    readoutIn.layout = l;
    readoutIn.instrument = variant_.instrumentType;
    readoutIn.gpsInput = config_.gpsInput != 0;
    readoutIn.geodeticDisplay = config_.coordinatesDisplay == 0;
    readoutIn.dilution = config_.pseudoGgaSlam ? DilutionKind::SlamConfidence : DilutionKind::Hdop;
    readoutIn.instrumentEnabled = config_.instrumentEnabled != 0;
    const QFontMetrics text(fonts_.fontText);
    const QFontMetrics bold(fonts_.fontTextBold);
    const QFontMetrics caption(fonts_.fontLight20);
    for (;;) {
        infoBoldFont_ = infoFont_;
        infoBoldFont_.setWeight(fonts_.fontTextBold.weight());
        const QFontMetrics info(infoFont_);
        const QFontMetrics infoBold(infoBoldFont_);
        const TextWidth measure = [&](std::string_view t, ReadoutFont f) {
            const QString s = QString::fromUtf8(t.data(), static_cast<int>(t.size()));
            switch (f) {
                case ReadoutFont::TextBold: return bold.horizontalAdvance(s);
                case ReadoutFont::ChannelCaption: return caption.horizontalAdvance(s);
                case ReadoutFont::Information: return info.horizontalAdvance(s);
                case ReadoutFont::InformationBold: return infoBold.horizontalAdvance(s);
                default: return text.horizontalAdvance(s);
            }
        };
        readouts_ = layoutReadouts(readoutIn, measure);
        if (readouts_.informationFits || infoFont_.pixelSize() <= kSmallestInfoPixelSize) return;
        infoFont_.setPixelSize(infoFont_.pixelSize() - 1);
    }
}

void ScreenLogWnd::placeTexts() {
    const Rect& s = readouts_.status;
    status_->setGeometry(s.x, s.y, s.width + 4, s.height);
    fileName_->setGeometry(qRect(readouts_.fileLine));
    writeHealth_->setGeometry(21, height() - kStatusBand, width() - 42, kStatusBand);
    const Rect& over = layout_.profileArea;
    waitingForFix_->setGeometry(over.x, over.y + over.height / 3, over.width, 2 * layout_.lineHeight + 8);
    // The hint stands in the button area; where the pause button shares its row, left of it.
    Rect area = layout_.buttonArea;
    if (layout_.pauseButton.y == area.y) area.width = layout_.pauseButton.x - 4 - area.x;
    pauseHint_->setGeometry(area.x, area.y + layout_.lineHeight, area.width, 3 * layout_.lineHeight);
    const auto hint = pauseHintLines(config_.pauseKey);
    const QFont hintFont = pauseHintUsesCaptionFont(width()) ? fonts_.fontLight20 : fonts_.fontText;
    pauseHint_->setFont(fittedFont(hintFont, {qText(hint[0]), qText(hint[1])}, area.width - 4));
}

void ScreenLogWnd::setDisplay(LoggingDisplay& display) {
    display_ = &display;
    if (control_) control_->setDisplay(display_);
}

bool ScreenLogWnd::startLogging() {
    if (!acquisition_) return false;
    if (!control_)
        control_ = std::make_unique<LoggingControl>(
            variant_, config_, context_, LoggingLinks{messages_, *picker_, *sounds_, *acquisition_, *this});
    control_->setDisplay(display_);
    LoggingStart start{variant_, config_, context_, messages_, *acquisition_, *control_};
    return velox::startLogging(start);
}

// --- LoggingScreenHost

void ScreenLogWnd::setTimerPeriod(uint32_t periodMs) {
    if (periodMs == 0) timer1_.stop();
    else timer1_.start(static_cast<int>(periodMs));
}

void ScreenLogWnd::showLoggingScreen() {
    relayout();
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
    // "Toggle View" flips the map view: the panes take the freed space.
    if (c.mapViewActive() != laidOutWithMap_) relayout();
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
    // With the map shown, the map itself says so in its pane.
    waitingForFix_->setVisible(c.waitingForFirstFix() && !layout_.mapShown);
    numbers_->setConnectionLost(context_.logging.lostShown);
    numbers_->setLogging(c.state() == LoggingState::Logging);
    drawPauseHint(c.pauseHintShown());
    refreshMapButtons();
    showChannelSelectors();
    update();
}

// The map view buttons: shown with the map, enabled as the control says; the
// zoom and fit buttons and "Exit Review" wait for review, and the Orv line
// never uses zoom and fit.
void ScreenLogWnd::refreshMapButtons() {
    const uint32_t enabled = control_ ? control_->mapButtonsEnabled() : 0;
    for (int i = 0; i < kMapViewButtonCount; ++i) {
        const bool reviewOnly = i == MAP_ZOOM_IN || i == MAP_ZOOM_OUT || i == MAP_FIT_ALL || i == MAP_EXIT_REVIEW;
        const bool zoom = i == MAP_ZOOM_IN || i == MAP_ZOOM_OUT || i == MAP_FIT_ALL;
        mapButtons_[i]->setVisible(layout_.mapButtonsShown && !reviewOnly);
        mapButtons_[i]->setEnabled((enabled & (1u << i)) != 0 && (!zoom || layout_.zoomButtonsUsable));
    }
}

void ScreenLogWnd::showChannelSelectors() {
    const bool show = variant_.productLine != ProductLine::Orv && config_.colourMapView > 0 &&
                      config_.gpsInput != 0 && layout_.mapShown;
    const int shown = shownSelectorCount(variant_.instrumentType, config_.sensorCountIndex + 1, config_.em38Mk2Model);
    for (std::size_t i = 0; i < selectors_.size() && i < layout_.selectors.size(); ++i) {
        const ChannelSelector& place = layout_.selectors[i];
        bool visible = show && static_cast<int>(i) < shown;
        // An EM31-MK2 logging in-phase only has no conductivity to colour.
        if (variant_.instrumentType == InstrumentType::Em31Mk2 && config_.component == 1 && i == 0) visible = false;
        selectors_[i]->setVisible(visible);
        selectors_[i]->setChecked(visible && place.channel == config_.colourMapView);
    }
    if (variant_.instrumentType == InstrumentType::Em61Mk2)
        numbers_->setMarkedRow(show && control_ && control_->state() == LoggingState::Logging
                                   ? config_.colourMapView - 1 : -1);
}

void ScreenLogWnd::drawPauseHint(bool show) {
    const auto hint = pauseHintLines(config_.pauseKey);
    pauseHint_->setText(QString::fromStdString(hint[0] + "\n" + hint[1]));
    pauseHint_->setVisible(show);
}

// --- read-outs

void ScreenLogWnd::showInstrumentReadout(const Em61Readout& r) {
    numbers_->setNotice({r.noticeLines.begin(), r.noticeLines.end()});
    if (r.reading) {
        const int values = r.sensorCount >= 2 ? 6 : 3;
        numbers_->setValues({r.channelTexts.begin(), r.channelTexts.begin() + values});
        infoValues_[INFO_BATTERY] = r.batteryText;
        infoValues_[INFO_CURRENT] = r.currentText;
        batteryRed_ = r.batteryBackground.has_value();
        markerText_ = r.markerText;
        if (r.counted || !r.stationText.empty()) {
            infoValues_[INFO_STATION] = r.stationText;
            infoValues_[INFO_STATIONS] = r.readingCountText;
            infoValues_[INFO_TIME] = r.loggingTimeText;
        }
    }
    update();
}

void ScreenLogWnd::showGpsReadouts(const GpsReadouts& g) {
    infoValues_[INFO_QUALITY] = toUtf8(g.quality);
    infoValues_[INFO_SATELLITES] = toUtf8(g.satellites);
    infoValues_[INFO_DILUTION] = toUtf8(g.dilution);
    infoValues_[INFO_COORD1] = toUtf8(g.coordinate1);
    infoValues_[INFO_COORD2] = toUtf8(g.coordinate2);
    infoValues_[INFO_POSITIONS] = toUtf8(g.fixCount);
    dilutionRed_ = g.dilutionRedBackground;
    speedText_ = toUtf8(g.speed);
    update();
}

int ScreenLogWnd::showAlarmState(const Em61AlarmState& alarm) {
    const AlarmBoxUpdate u = alarmBoxUpdate(config_.sensorCountIndex + 1, config_.alarmType, alarm);
    for (std::size_t i = 0; i < u.fills.size(); ++i)
        if (u.fills[i] != BoxFill::Leave) alarmFills_[i] = u.fills[i];
    update(qRect(alarmGeometry_.region));
    return config_.sensorCountIndex >= 1 ? u.result : NO_ALARM_RESULT;
}

std::string ScreenLogWnd::channelCaptionText() const {
    ChannelCaptionInput in;
    in.instrument = variant_.instrumentType;
    in.colourMapView = config_.colourMapView;
    in.component = config_.component;
    in.dipoleMode = config_.dipoleMode;
    return channelCaption(in);
}

// --- painting

void ScreenLogWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintLoggingWindow(painter);
}

void ScreenLogWnd::paintLoggingWindow(QPainter& painter) {
    paintFrame(painter);
    paintCaptions(painter);
    if (variant_.instrumentType == InstrumentType::Em61Lx2 && config_.alarmType > 0 && layout_.mapShown)
        drawAlarmIndicator(painter, alarmGeometry_, config_.alarmType, config_.alarmChannel, alarmFills_,
                           fonts_.fontText, QWidget::palette().color(QPalette::Button));
    // The colour strip fills the gap between the profile and the bar areas.
    const Rect& p = layout_.profileArea;
    const Rect& b = layout_.barArea;
    if (config_.colourMapView > 0 && config_.gpsInput != 0 && layout_.mapShown)
        drawColourStrip(painter, palette_, p.right() + kStripInset, b.x - kStripInset, b.y, b.height);
    if (config_.instrumentEnabled != 0 || config_.gpsInput != 0) {
        paintScaleLimits(painter);
        paintInformation(painter);
    }
}

// Two dark-grey verticals at x = 10 and x = Wc - 14 with small circles at their ends.
void ScreenLogWnd::paintFrame(QPainter& painter) {
    const int bottom = height() - kStatusBand;
    painter.setPen(QPen(kFrameGrey, 1));
    painter.setBrush(Qt::NoBrush);
    for (const int x : {10, width() - 14}) {
        painter.drawLine(x, 10, x, bottom);
        for (const int y : {10, bottom})
            painter.drawEllipse(QRect(x - kFrameCircle / 2, y - kFrameCircle / 2, kFrameCircle, kFrameCircle));
    }
}

void ScreenLogWnd::paintCaptions(QPainter& painter) {
    painter.setPen(Qt::black);
    if (layout_.mapShown) {
        painter.setFont(fonts_.fontText);
        painter.drawText(qRect(readouts_.mapSize), Qt::AlignRight | Qt::AlignVCenter,
                         qText(mapSizeCaption(config_.mapSize, config_.mapUnits)));
        Rect caption = readouts_.channelCaption;
        // With the alarm indicator on, the caption stands left of it.
        if (variant_.instrumentType == InstrumentType::Em61Lx2 && config_.alarmType > 0)
            caption.x = alarmGeometry_.region.x - 6 - caption.width;
        painter.setFont(fonts_.fontLight20);
        painter.drawText(qRect(caption), Qt::AlignCenter, qText(channelCaptionText()));
    }
    if (!markerText_.empty()) {
        painter.setFont(fonts_.fontTextBold);
        painter.drawText(qRect(readouts_.marker), Qt::AlignLeft | Qt::AlignVCenter, qText(markerText_));
    }
    if (isGrad601(variant_.instrumentType)) {
        painter.setFont(fonts_.fontText);
        const Rect& n = layout_.numbers;
        painter.drawText(QRect(n.x - 130, n.y + n.height * 7 / 10, 125, layout_.lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Gradient [nT/m]"));
    }
}

void ScreenLogWnd::paintScaleLimits(QPainter& painter) {
    painter.setFont(fonts_.fontText);
    painter.setPen(Qt::black);
    if (config_.instrumentEnabled == 0) {
        // "Instrument", "Disabled", "GXY Mode" where the bars would be.
        const auto lines = instrumentStatusLabels(variant_.instrumentType, config_, readouts_.wideBlock);
        QRect line = qRect(layout_.barArea);
        line.setHeight(layout_.lineHeight);
        for (const std::string& text : lines) {
            painter.drawText(line, Qt::AlignCenter, qText(text));
            line.translate(0, layout_.lineHeight);
        }
        return;
    }
    const InstrumentType type = variant_.instrumentType;
    painter.drawText(qRect(readouts_.scaleMax), Qt::AlignCenter, qText(scaleLimitText(type, config_.readingScaleMax)));
    painter.drawText(qRect(readouts_.scaleMin), Qt::AlignCenter, qText(scaleLimitText(type, config_.readingScaleMin)));
    if (readouts_.profileScaleMax.width > 0) {
        painter.drawText(qRect(readouts_.profileScaleMax), Qt::AlignCenter,
                         qText(scaleLimitText(type, config_.readingScaleMax)));
        painter.drawText(qRect(readouts_.profileScaleMin), Qt::AlignCenter,
                         qText(scaleLimitText(type, config_.readingScaleMin)));
    }
    if (layout_.speedBarShown) {
        painter.drawText(qRect(readouts_.speed), Qt::AlignCenter,
                         speedText_.empty() ? QStringLiteral("Speed:") : QStringLiteral("Speed: ") + qText(speedText_));
    }
}

void ScreenLogWnd::paintInformation(QPainter& painter) {
    painter.setPen(QPen(kFrameGrey, 1));
    painter.setBrush(Qt::NoBrush);
    for (const Rect& part : readouts_.information)
        painter.drawRoundedRect(qRect(part).adjusted(-4, -2, 4, 2), kInfoFrameRadius, kInfoFrameRadius);
    const QString lineName = QString::fromStdU16String(config_.surveyLine);
    for (int slot = 0; slot < INFO_SLOT_COUNT; ++slot) {
        const InfoField& field = readouts_.fields[slot];
        if (field.labelRect.height == 0) continue;
        painter.setFont(infoFont_);
        painter.setPen(Qt::black);
        painter.drawText(qRect(field.labelRect), Qt::AlignLeft | Qt::AlignVCenter, qText(field.label));
        if (!readouts_.used[slot]) continue;
        std::string value = slot == INFO_LINE ? lineName.toStdString() : infoValues_[slot];
        const bool red = (slot == INFO_BATTERY && batteryRed_) || (slot == INFO_DILUTION && dilutionRed_);
        if (red) painter.fillRect(qRect(field.valueRect), QColor(255, 0, 0));
        const bool unknown = value.empty() && (slot == INFO_DILUTION || slot == INFO_COORD1 || slot == INFO_COORD2);
        if (unknown) value = std::string(NOT_AVAILABLE_TEXT);
        painter.setFont(field.bold ? infoBoldFont_ : infoFont_);
        painter.drawText(qRect(field.valueRect), Qt::AlignLeft | Qt::AlignVCenter, qText(value));
    }
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
