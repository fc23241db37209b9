#pragma once

#include <QPointer>
#include <QTreeView>

class QMenu;
class TDataAction;

// The data panel (TreeViewData): the current screen with its data sets, shown from the data
// controller's model. Double click inputs a data set; names are edited in place; the
// right-click menu first selects the node under the mouse.
class TDataPanel final : public QTreeView {
    Q_OBJECT
public:
    explicit TDataPanel(TDataAction& action, QWidget* parent = nullptr);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void handleContextMenu(const QPoint& position);
    void handleDoubleClicked(const QModelIndex& index);

    QPointer<TDataAction> m_action;
    QMenu* m_menu = nullptr;
};
