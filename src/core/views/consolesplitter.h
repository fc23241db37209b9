#pragma once

#include <QWidget>

// The drag handle above the console panel (PanelSplitterConsole): it reports where a drag
// started and ended; the main window resizes the console from that.
class TConsoleSplitter final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kThickness = 5;

    explicit TConsoleSplitter(QWidget* parent = nullptr);

Q_SIGNALS:
    // Vertical positions in the coordinates of the splitter's window.
    void dragged(int pressY, int releaseY);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_pressY = 0;
    bool m_pressed = false;
};
