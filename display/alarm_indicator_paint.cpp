#include <QColor>
#include <QFont>
#include <QPainter>

#include "display/alarm_indicator.h"

namespace velox {

namespace {

QRect qRectOf(const Rect& r) { return {r.x, r.y, r.width, r.height}; }

}  // namespace

void drawAlarmIndicator(QPainter& painter, const AlarmIndicatorGeometry& g, int alarmType, int alarmChannel,
                        const std::array<BoxFill, 3>& fills, const QFont& font, const QColor& buttonFace) {
    painter.save();
    if (alarmType == 0) {
        painter.fillRect(qRectOf(g.region), buttonFace);
        painter.restore();
        return;
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    for (std::size_t i = 0; i < g.boxes.size(); ++i) {
        const Rect& box = g.boxes[i];
        // A closed outline through the four corners: a 1 px pen draws the
        // rectangle's right and bottom edges at x + width and y + height.
        painter.drawRect(QRect(box.x, box.y, box.width, box.height));
        painter.fillRect(qRectOf(alarmBoxInside(box)), fills[i] == BoxFill::Red ? QColor(255, 0, 0) : Qt::white);
    }
    painter.fillRect(qRectOf(g.letterLeft), buttonFace);
    painter.fillRect(qRectOf(g.letterRight), buttonFace);
    painter.setFont(font);
    const QString letter(QChar::fromLatin1(alarmChannelLetter(alarmChannel)));
    for (const Rect& r : {g.letterLeft, g.letterRight})
        painter.drawText(qRectOf(r), Qt::AlignLeft | Qt::AlignTop, letter);
    painter.restore();
}

}  // namespace velox
