#pragma once

#include <QPointer>
#include <QTableWidget>

class QMimeData;
class TFormDefineGrid;

// The form definition grid (StringGridForm): the cells of TFormDefineGrid, with the group
// captions of row 0 drawn once across their columns, a pick list editor for the columns
// that have one, Ctrl+C as tab-separated text and Ctrl+V of a spreadsheet block (SYLK where
// the clipboard offers it, tab-separated text otherwise).
class TStringGridForm final : public QTableWidget {
    Q_OBJECT
public:
    explicit TStringGridForm(TFormDefineGrid& grid, QWidget* parent = nullptr);

    void copySelection();
    // Pastes the data at the top-left cell of the selection; true when any cell was taken.
    bool pasteData(const QMimeData* data);
    void paste();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void refill();
    bool selectionTopLeft(int* left, int* top) const;

    QPointer<TFormDefineGrid> m_grid;
    bool m_filling = false;
};
