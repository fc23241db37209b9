#include "formdata/views/datapanel.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "formdata/dataaction.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

namespace {

// Names are committed through the controller, which writes the index first.
class TNameDelegate final : public QStyledItemDelegate {
public:
    TNameDelegate(TDataAction& action, QObject* parent) : QStyledItemDelegate(parent), m_action(&action) {}

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (line && m_action)
            m_action->finishEdit(index, line->text());
    }

private:
    QPointer<TDataAction> m_action;
};

}

TDataPanel::TDataPanel(TDataAction& action, QWidget* parent) : QTreeView(parent), m_action(&action)
{
    setObjectName(QStringLiteral("TreeViewData"));
    setModel(action.model());
    setSelectionModel(action.selectionModel());
    setItemDelegate(new TNameDelegate(action, this));
    header()->hide();
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setContextMenuPolicy(Qt::CustomContextMenu);
    expandAll();
    connect(action.model(), &QAbstractItemModel::rowsInserted, this, [this] { expandAll(); });
    connect(&action, &TDataAction::editRequested, this, [this](const QModelIndex& index) {
        setCurrentIndex(index);
        QTreeView::edit(index);
    });
    connect(&action, &TDataAction::focusRequested, this, [this] { setFocus(); });
    connect(this, &QWidget::customContextMenuRequested, this, &TDataPanel::handleContextMenu);
    connect(this, &QAbstractItemView::doubleClicked, this, &TDataPanel::handleDoubleClicked);

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("PopupMenuData"));
    TCommandList& commands = App().commands();
    for (const char* name : { "ActionDataInput", "ActionDataInputHistory", "ActionDataCompare", "", "ActionDataNameEdit",
                              "ActionDataDelete", "", "ActionDataOpen" }) {
        if (!*name)
            m_menu->addSeparator();
        else if (QAction* a = commands.action(QString::fromLatin1(name)))
            m_menu->addAction(a);
    }
}

bool TDataPanel::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (!m_action || !m_action->canEdit(index))
        return false;
    const bool started = QTreeView::edit(index, trigger, event);
    if (started && !m_action->isEditing())
        m_action->beginEdit();
    return started;
}

void TDataPanel::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (hint == QAbstractItemDelegate::RevertModelCache && m_action)
        m_action->cancelEdit();
    QTreeView::closeEditor(editor, hint);
    if (m_action && m_action->isEditing())
        m_action->cancelEdit();
}

void TDataPanel::handleContextMenu(const QPoint& position)
{
    const QModelIndex index = indexAt(position);
    if (index.isValid())
        setCurrentIndex(index);
    m_menu->popup(viewport()->mapToGlobal(position));
}

void TDataPanel::handleDoubleClicked(const QModelIndex& index)
{
    if (!m_action || !m_action->canEdit(index))
        return;
    if (QAction* input = App().commands().action(QStringLiteral("ActionDataInput")); input && input->isEnabled())
        input->trigger();
}
