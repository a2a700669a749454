#include "display/numbers_wnd.h"

#include <QPainter>
#include <algorithm>

#include "display/pane.h"
#include "logging/logging_control.h"

namespace velox {

namespace {

constexpr int kLabelX = 6;
constexpr int kValueRightMargin = 10;
constexpr int kRowTop = 5;
constexpr int kNoticeTop = 5;
constexpr int kDotSide = 6;

QString text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

NumbersWnd::NumbersWnd(QWidget* parent) : QWidget(parent) {
    initPane(*this, 650);
    // The logging window paints its children's background in the button face
    // unless they ask for their own window colour.
    setBackgroundRole(QPalette::Window);
    text_ = font();
    bold_ = font();
    bold_.setBold(true);
}

void NumbersWnd::setFonts(const QFont& textFont, const QFont& boldFont) {
    text_ = textFont;
    bold_ = boldFont;
    update();
}

void NumbersWnd::setRowHeight(int lineHeight) {
    rowHeight_ = std::max(1, lineHeight);
    update();
}

void NumbersWnd::setLabels(std::vector<std::string> labels) {
    if (labels == labels_) return;
    labels_ = std::move(labels);
    update();
}

void NumbersWnd::setValues(std::vector<std::string> values) {
    if (values == values_) return;
    values_ = std::move(values);
    update();
}

void NumbersWnd::setMarkedRow(int row) {
    if (row == markedRow_) return;
    markedRow_ = row;
    update();
}

void NumbersWnd::setLogging(bool logging) {
    if (logging == logging_) return;
    logging_ = logging;
    QPalette colours = palette();
    colours.setColor(QPalette::Window, logging ? QColor(0, 255, 0) : QColor(Qt::white));
    setPalette(colours);
    update();
}

void NumbersWnd::setNotice(std::vector<std::string> lines) {
    if (std::all_of(lines.begin(), lines.end(), [](const std::string& l) { return l.empty(); })) lines.clear();
    if (lines == notice_) return;
    notice_ = std::move(lines);
    update();
}

void NumbersWnd::setConnectionLost(bool lost) {
    if (lost == connectionLost_) return;
    connectionLost_ = lost;
    update();
}

void NumbersWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (connectionLost_) {
        std::vector<std::string> lines(LOST_CONNECTION_NOTICE.begin(), LOST_CONNECTION_NOTICE.end());
        drawCentredLines(painter, lines, QColor(255, 0, 0));
        return;
    }
    if (!notice_.empty()) {
        drawCentredLines(painter, notice_, palette().color(QPalette::Window));
        return;
    }
    drawRows(painter);
}

void NumbersWnd::drawRows(QPainter& painter) {
    painter.setFont(text_);
    const int rows = static_cast<int>(std::max(labels_.size(), values_.size()));
    for (int row = 0; row < rows; ++row) {
        const QRect line(kLabelX, kRowTop + row * rowHeight_, width() - kLabelX - kValueRightMargin, rowHeight_);
        if (row < static_cast<int>(labels_.size())) {
            painter.setPen(QColor(0, 0, 255));
            painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, text(labels_[row]));
        }
        if (row < static_cast<int>(values_.size())) {
            painter.setPen(Qt::black);
            painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, text(values_[row]));
        }
        if (row == markedRow_) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0, 160, 0));
            painter.drawEllipse(QRect(1, line.center().y() - kDotSide / 2, kDotSide - 2, kDotSide - 2));
        }
    }
}

// Lines in bold, each centred, starting 5 pixels below the top, one line height apart.
void NumbersWnd::drawCentredLines(QPainter& painter, const std::vector<std::string>& lines, const QColor& background) {
    painter.fillRect(rect(), background);
    painter.setFont(bold_);
    painter.setPen(Qt::black);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const QRect line(0, kNoticeTop + static_cast<int>(i) * rowHeight_, width(), rowHeight_);
        painter.drawText(line, Qt::AlignHCenter | Qt::AlignVCenter, text(lines[i]));
    }
}

}  // namespace velox
