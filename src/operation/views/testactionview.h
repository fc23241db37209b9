#pragma once

#include <QTreeView>

#include <memory>

class QMenu;
class TActionCalverdine;
class TMainForm;
class TTestAction;

// The operation tree "TreeViewTest" of the "操作" page: the root "自動操作" with one node per
// stored operation, the pop-up menu (run, edit, delete) and a double click that runs the
// operation. Selection and states belong to the controller.
class TTestTreeView final : public QTreeView {
    Q_OBJECT
public:
    explicit TTestTreeView(TTestAction& action, QWidget* parent = nullptr);

    QMenu* popupMenu() const { return m_menu; }

private:
    void handleContextMenu(const QPoint& position);
    void handleDoubleClicked(const QModelIndex& index);

    TTestAction& m_action;
    QMenu* m_menu = nullptr;
};

// The operations controller wired to the main window: its tree on the "操作" page, the
// editor dialog for new and edited operations, and the console's "動作ログ" page shown when a
// run starts.
std::unique_ptr<TActionCalverdine> CreateTestAction(TMainForm& form);
