#pragma once

#include <QWidget>

#include <memory>

class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TActionCalverdine;
class TJSAction;
class TMainForm;

// The JavaScript panel: the frame / script / function tree of the current page and, split
// off below it, the name/value grid of the selected node.
class TJSPanel final : public QWidget {
    Q_OBJECT
public:
    explicit TJSPanel(TJSAction& action, QWidget* parent = nullptr);

    QTreeWidget* tree() const { return m_tree; }
    QTableWidget* grid() const { return m_grid; }

private:
    void rebuildTree();
    void refillGrid();

    TJSAction& m_action;
    QTreeWidget* m_tree = nullptr;
    QTableWidget* m_grid = nullptr;
    bool m_filling = false;
};

// The controller with its panel in the main window's "JavaScript" page and the console's
// JavaScript page taking typed code.
std::unique_ptr<TActionCalverdine> CreateJSAction(TMainForm& form);
