#include "formdefine/views/stringgridtemplate.h"

#include "formdata/formdatacommon.h"
#include "formdefine/formtemplate.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Column 2 is drawn as a push button captioned "実行", sunken while its cell says "1".
class TButtonDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (index.column() != TFormTemplateGrid::kButtonColumn || index.row() == 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionButton button;
        button.rect = option.rect.adjusted(1, 1, -1, -1);
        button.text = QStringLiteral("実行");
        button.state = QStyle::State_Enabled
            | (index.data().toString() == QLatin1String("1") ? QStyle::State_Sunken : QStyle::State_Raised);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
    }
};

}

TStringGridTemplate::TStringGridTemplate(TFormTemplateGrid& grid, std::function<void(const QString&)> run, QWidget* parent)
    : QTableWidget(0, TFormTemplateGrid::kColumnCount, parent), m_grid(&grid), m_run(std::move(run))
{
    setObjectName(QStringLiteral("StringGridTemplate"));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(false);
    setItemDelegate(new TButtonDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(&grid, &TFormTemplateGrid::cellsChanged, this, &TStringGridTemplate::refill);
    refill();
}

void TStringGridTemplate::refill()
{
    if (!m_grid)
        return;
    setRowCount(m_grid->rowCount());
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        for (int c = 0; c < TFormTemplateGrid::kColumnCount; ++c) {
            QTableWidgetItem* cell = item(r, c);
            if (!cell) {
                cell = new QTableWidgetItem;
                setItem(r, c, cell);
            }
            cell->setText(m_grid->cell(c, r));
            cell->setFlags(r == 0 ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (r == 0)
                cell->setBackground(palette().button());
        }
    }
}

void TStringGridTemplate::mousePressEvent(QMouseEvent* event)
{
    QTableWidget::mousePressEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (m_grid && index.isValid())
        m_grid->press(index.column(), index.row());
}

void TStringGridTemplate::releaseAt(const QPoint& position)
{
    if (!m_grid)
        return;
    const QModelIndex index = indexAt(position);
    QString text;
    if (m_grid->release(index.isValid() ? index.column() : -1, index.isValid() ? index.row() : -1, &text) && m_run)
        formdata::guarded([&] { m_run(text); });
}

void TStringGridTemplate::mouseReleaseEvent(QMouseEvent* event)
{
    QTableWidget::mouseReleaseEvent(event);
    releaseAt(event->position().toPoint());
}

void TStringGridTemplate::keyPressEvent(QKeyEvent* event)
{
    if (currentColumn() == TFormTemplateGrid::kButtonColumn && event->key() == Qt::Key_F2)
        return;
    if (event->key() == Qt::Key_Escape && m_grid) {
        m_grid->cancel();
        releaseAt(viewport()->mapFromGlobal(QCursor::pos()));
        return;
    }
    QTableWidget::keyPressEvent(event);
}
