#pragma once

#include "formdefine/formtree.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

class QListWidget;
class QMenu;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TFormAction;

// The option dialog of a selection row ("OPTION リストの選択"): value ":" text per option,
// several selectable exactly when the list allows multiple selection.
class TFormSelectOption final : public QDialog {
    Q_OBJECT
public:
    explicit TFormSelectOption(const TFormTree::TSelectChoice& choice, QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    // The values of the selected entries, in option order.
    QStringList chosenValues() const;

private:
    QStringList m_values;
    QListWidget* m_list = nullptr;
};

// The form page of the right panel: the frame / form tree of the current page (TreeViewForm)
// and below it the value editor of the selected form (ValueListEditorForm), whose check box
// and radio rows choose between "checked" and empty and whose selection rows open the option
// dialog.
class TFormPanel final : public QWidget {
    Q_OBJECT
public:
    explicit TFormPanel(TFormAction& action, QWidget* parent = nullptr);

    QTreeWidget* tree() const { return m_tree; }
    QTableWidget* values() const { return m_values; }
    // Opens the option dialog of a selection row and writes the choice on OK.
    void chooseOptions(int row);

private:
    void rebuildTree();
    void refillRows();
    void refillRow(int row);
    void selectItem(QTreeWidgetItem* item);

    QPointer<TFormAction> m_action;
    QTreeWidget* m_tree = nullptr;
    QTableWidget* m_values = nullptr;
    QMenu* m_menu = nullptr;
    bool m_filling = false;
};
