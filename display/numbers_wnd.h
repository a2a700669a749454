#pragma once

#include <QFont>
#include <QWidget>
#include <string>
#include <vector>

namespace velox {

// The numeric read-outs of the readings: one row per line height, labels in
// blue at the left, values in black right-aligned 10 pixels from the right
// edge. Green while logging, white otherwise. A notice (normalising, lost
// connection) covers the rows while it stands.
class NumbersWnd : public QWidget {
    Q_OBJECT
public:
    explicit NumbersWnd(QWidget* parent);

    void setFonts(const QFont& text, const QFont& bold);
    void setRowHeight(int lineHeight);
    void setLabels(std::vector<std::string> labels);
    void setValues(std::vector<std::string> values);
    // The row of the channel the colour map shows (a small green dot), or -1.
    void setMarkedRow(int row);
    void setLogging(bool logging);
    // Normalising notice lines; empty lines clear it.
    void setNotice(std::vector<std::string> lines);
    // The lost-connection notice: red, "Lost", "Connection,", "trying".
    void setConnectionLost(bool lost);

    const std::vector<std::string>& labels() const { return labels_; }
    const std::vector<std::string>& values() const { return values_; }
    bool logging() const { return logging_; }
    bool connectionLostShown() const { return connectionLost_; }
    const std::vector<std::string>& notice() const { return notice_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawRows(class QPainter& painter);
    void drawCentredLines(QPainter& painter, const std::vector<std::string>& lines, const QColor& background);

    QFont text_;
    QFont bold_;
    int rowHeight_ = 18;
    std::vector<std::string> labels_;
    std::vector<std::string> values_;
    std::vector<std::string> notice_;
    int markedRow_ = -1;
    bool logging_ = false;
    bool connectionLost_ = false;
};

}  // namespace velox
