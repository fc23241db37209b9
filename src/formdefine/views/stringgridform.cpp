#include "formdefine/views/stringgridform.h"

#include "formdata/formdatacommon.h"
#include "formdefine/formdefinegrid.h"
#include "formdefine/gridclipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyledItemDelegate>

namespace {

// Edits go to the definitions through the grid logic, which decides what the cell shows.
class TDefineDelegate final : public QStyledItemDelegate {
public:
    TDefineDelegate(TFormDefineGrid& grid, QObject* parent) : QStyledItemDelegate(parent), m_grid(&grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (m_grid && m_grid->hasPickList(index.column())) {
            auto* box = new QComboBox(parent);
            box->setEditable(true);
            box->addItems(m_grid->pickList(index.column()));
            return box;
        }
        return QStyledItemDelegate::createEditor(parent, option, index);
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            box->setCurrentText(index.data().toString());
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        QString text;
        if (auto* box = qobject_cast<QComboBox*>(editor))
            text = box->currentText();
        else
            text = editor->property("text").toString();
        if (m_grid)
            formdata::guarded([&] { m_grid->commitEdit(index.column(), index.row(), text); });
    }

private:
    QPointer<TFormDefineGrid> m_grid;
};

}

TStringGridForm::TStringGridForm(TFormDefineGrid& grid, QWidget* parent)
    : QTableWidget(0, TFormDefineGrid::kColumnCount, parent), m_grid(&grid)
{
    setObjectName(QStringLiteral("StringGridForm"));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setItemDelegate(new TDefineDelegate(grid, this));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    connect(&grid, &TFormDefineGrid::cellsChanged, this, &TStringGridForm::refill);
    refill();
}

void TStringGridForm::refill()
{
    if (!m_grid)
        return;
    m_filling = true;
    const int rows = m_grid->rowCount();
    setRowCount(rows);
    // Spans exist only over rows that exist: set again after every refill.
    for (const TFormDefineGrid::TColNumber& group : TFormDefineGrid::groups()) {
        if (group.last > group.first && rowSpan(0, group.first) == 1 && columnSpan(0, group.first) == 1)
            setSpan(0, group.first, 1, group.last - group.first + 1);
    }
    const QBrush headerBrush = palette().button();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < TFormDefineGrid::kColumnCount; ++c) {
            QTableWidgetItem* cell = item(r, c);
            if (!cell) {
                cell = new QTableWidgetItem;
                setItem(r, c, cell);
            }
            cell->setText(m_grid->cell(c, r));
            Qt::ItemFlags flags = Qt::ItemIsEnabled;
            if (r >= TFormDefineGrid::kHeaderRows) {
                flags |= Qt::ItemIsSelectable;
                if (c >= TFormDefineGrid::kReferenceColumn)
                    flags |= Qt::ItemIsEditable;
            } else {
                cell->setBackground(headerBrush);
                cell->setTextAlignment(Qt::AlignCenter);
            }
            cell->setFlags(flags);
        }
    }
    m_filling = false;
}

bool TStringGridForm::selectionTopLeft(int* left, int* top) const
{
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    if (ranges.isEmpty()) {
        if (currentRow() < 0 || currentColumn() < 0)
            return false;
        *left = currentColumn();
        *top = currentRow();
        return true;
    }
    *left = ranges.first().leftColumn();
    *top = ranges.first().topRow();
    for (const QTableWidgetSelectionRange& range : ranges) {
        *left = std::min(*left, range.leftColumn());
        *top = std::min(*top, range.topRow());
    }
    return true;
}

void TStringGridForm::copySelection()
{
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    if (ranges.isEmpty() || !m_grid)
        return;
    const QTableWidgetSelectionRange& range = ranges.first();
    QApplication::clipboard()->setText(
        m_grid->copyText(range.leftColumn(), range.topRow(), range.rightColumn(), range.bottomRow()));
}

bool TStringGridForm::pasteData(const QMimeData* data)
{
    int left = 0;
    int top = 0;
    if (!data || !m_grid || !selectionTopLeft(&left, &top))
        return false;
    QList<TPastedCell> cells;
    bool sylk = false;
    for (const QString& format : data->formats()) {
        if (IsSylkFormat(format)) {
            cells = PlaceSylk(DecodeSylk(data->data(format)), left, top);
            sylk = true;
            break;
        }
    }
    if (!sylk && data->hasText())
        cells = PlaceTabText(data->text(), left, top);
    if (cells.isEmpty())
        return false;
    int taken = 0;
    formdata::guarded([&] { taken = m_grid->paste(cells); });
    return taken > 0;
}

void TStringGridForm::paste()
{
    pasteData(QApplication::clipboard()->mimeData());
}

void TStringGridForm::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_C) {
        copySelection();
        return;
    }
    if (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_V) {
        paste();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void TStringGridForm::mousePressEvent(QMouseEvent* event)
{
    QTableWidget::mousePressEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    // A click on the name or type of a row selects its definition fields.
    if (index.isValid() && index.row() >= TFormDefineGrid::kHeaderRows && index.column() < TFormDefineGrid::kReferenceColumn) {
        clearSelection();
        setRangeSelected(QTableWidgetSelectionRange(index.row(), TFormDefineGrid::kReferenceColumn, index.row(),
                                                    TFormDefineGrid::kColumnCount - 1),
                         true);
    }
}
