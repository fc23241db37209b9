#pragma once

#include "core/eventbus.h"
#include "operation/operationlist.h"

#include <QPointer>
#include <QStandardItem>

#include <memory>

class QItemSelectionModel;
class QStandardItemModel;
class TTestAction;
class TTestFileCommand;
class TTestOperationAction;

// Edits an operation in place (the dialog TFormAutoOperation); the views implement it,
// tests fake it. True when the user closed it with OK.
class TOperationEditor {
public:
    virtual ~TOperationEditor() = default;
    virtual bool edit(TCommandAutoOperation& operation, const TOperationList& operations) = 0;
};

// A node of the operation tree; it sets the operation commands for itself when selected.
class TTestTreeNode : public QStandardItem {
public:
    // The node's image index in the tree's image list.
    static constexpr int kImageRole = Qt::UserRole + 2;

    using QStandardItem::QStandardItem;
    virtual void UpdateActionStates(TTestAction& controller) = 0;
};

class TTestTreeNodeOperationRoot final : public TTestTreeNode {
public:
    TTestTreeNodeOperationRoot();
    void UpdateActionStates(TTestAction& controller) override;
};

class TTestTreeNodeOperation final : public TTestTreeNode {
public:
    TTestTreeNodeOperation(TCommandAutoOperation* operation);
    void UpdateActionStates(TTestAction& controller) override;
    TCommandAutoOperation* operation() const { return m_operation; }
    void setOperation(TCommandAutoOperation* operation);

private:
    TCommandAutoOperation* m_operation;
};

// The operations controller: the stored operations of the project and their tree, the
// commands that create, edit, delete, run and cancel them, and the last started run.
class TTestAction final : public TActionCalverdine {
    Q_OBJECT
public:
    explicit TTestAction(std::unique_ptr<TOperationEditor> editor = nullptr, QObject* parent = nullptr);
    ~TTestAction() override;

    QStandardItemModel* model() const { return m_model; }
    QItemSelectionModel* selectionModel() const { return m_selection; }
    TTestTreeNodeOperationRoot* root() const { return m_root; }
    TOperationList& operations() { return m_operations; }

    void New();
    void Edit();
    void Delete();
    void Execute();
    void Cancel();

    // The commands follow the selected node (nothing changes without one).
    void UpdateActionStates();
    void SetStates(bool execute, bool cancel, bool create, bool edit, bool remove);

    // The last started run, or none; a run is in progress until it is over.
    TTestOperationAction* runner() const { return m_runner; }
    bool RunInProgress() const;

    // "AutoOperation" / "Interval" of the global settings file, 500 ms when missing.
    static int StoredInterval();

Q_SIGNALS:
    // Show the operation log page of the console.
    void logPageRequested();
    void expandRequested();

private:
    void handleProjectEvent(int);
    void handleBeforeNavigate(int);
    void handleDocumentParseCompleted(int);

    TTestTreeNode* selectedNode() const;
    TTestTreeNodeOperation* selectedOperationNode() const;
    void select(QStandardItem* item);
    void rebuildTree();
    // Takes the last run off the bus and destroys it.
    void removeRunner();
    TTestFileCommand& fileCommand();

    std::unique_ptr<TOperationEditor> m_editor;
    QStandardItemModel* m_model = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    TTestTreeNodeOperationRoot* m_root = nullptr;
    TOperationList m_operations;
    std::unique_ptr<TTestFileCommand> m_fileCommand;
    QPointer<TTestOperationAction> m_runner;
};
