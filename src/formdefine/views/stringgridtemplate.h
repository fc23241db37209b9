#pragma once

#include <QPointer>
#include <QTableWidget>

#include <functional>

class TFormTemplateGrid;

// The template grid (StringGridTemplate): name, text and a "実行" button per row. A button
// pressed and released on itself hands the row's text on.
class TStringGridTemplate final : public QTableWidget {
    Q_OBJECT
public:
    TStringGridTemplate(TFormTemplateGrid& grid, std::function<void(const QString&)> run, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refill();
    void releaseAt(const QPoint& position);

    QPointer<TFormTemplateGrid> m_grid;
    std::function<void(const QString&)> m_run;
};
