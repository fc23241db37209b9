#include "operation/testaction.h"
#include "operation/operationcommands.h"
#include "operation/testfilecommand.h"
#include "operation/testoperationaction.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/homefiles.h"
#include "core/inifile.h"
#include "core/tabaccess.h"
#include "document/calverdinedocument.h"

#include <QAction>
#include <QDir>
#include <QItemSelectionModel>
#include <QStandardItemModel>

namespace {

const QString kOwner = QStringLiteral("TTestAction");

QAction* command(const char* name)
{
    return App().commands().action(QLatin1String(name));
}

void setEnabled(const char* name, bool enabled)
{
    if (QAction* a = command(name))
        a->setEnabled(enabled);
}

QString currentScreenId()
{
    TTabView* tab = CurrentTabView();
    TCalverdineDocument* document = tab ? tab->GetDocumentModel() : nullptr;
    return document ? document->ScreenID() : QString();
}

}

TTestTreeNodeOperationRoot::TTestTreeNodeOperationRoot()
    : TTestTreeNode(QStringLiteral("自動操作"))
{
    setEditable(false);
    setData(1, kImageRole);
}

void TTestTreeNodeOperationRoot::UpdateActionStates(TTestAction& controller)
{
    if (controller.RunInProgress())
        controller.SetStates(false, true, false, false, false);
    else
        controller.SetStates(false, false, true, false, false);
}

TTestTreeNodeOperation::TTestTreeNodeOperation(TCommandAutoOperation* operation)
    : m_operation(nullptr)
{
    setEditable(false);
    setData(2, kImageRole);
    setOperation(operation);
}

void TTestTreeNodeOperation::setOperation(TCommandAutoOperation* operation)
{
    m_operation = operation;
    setText(operation->Name);
}

void TTestTreeNodeOperation::UpdateActionStates(TTestAction& controller)
{
    if (controller.RunInProgress())
        controller.SetStates(false, true, false, false, false);
    else
        controller.SetStates(true, false, true, operation::screenShown(m_operation->TargetScreenID), true);
}

TTestAction::TTestAction(std::unique_ptr<TOperationEditor> editor, QObject* parent)
    : TActionCalverdine(parent)
    , m_editor(std::move(editor))
    , m_model(new QStandardItemModel(this))
    , m_selection(new QItemSelectionModel(m_model, this))
{
    setObjectName(kOwner);
    m_root = new TTestTreeNodeOperationRoot;
    m_model->appendRow(m_root);

    // The menu's commands are all this controller's; those of test cases stay disabled.
    TCommandList& commands = App().commands();
    for (const QString& name : commands.names()) {
        if (name.startsWith(QLatin1String("ActionTest"))) {
            if (QAction* a = commands.claim(name, kOwner))
                a->setEnabled(false);
        }
    }
    auto connectCommand = [this](const char* name, void (TTestAction::*method)()) {
        if (QAction* a = command(name))
            connect(a, &QAction::triggered, this, [this, method] { (this->*method)(); });
    };
    connectCommand("ActionTestAutoNew", &TTestAction::New);
    connectCommand("ActionTestAutoEdit", &TTestAction::Edit);
    connectCommand("ActionTestAutoDelete", &TTestAction::Delete);
    connectCommand("ActionTestAutoExecute", &TTestAction::Execute);
    connectCommand("ActionTestAutoCancel", &TTestAction::Cancel);
    connect(m_selection, &QItemSelectionModel::currentChanged, this, [this] { UpdateActionStates(); });

    handle(TEvent::ProjectNewed, &TTestAction::handleProjectEvent);
    handle(TEvent::ProjectOpened, &TTestAction::handleProjectEvent);
    handle(TEvent::BrowserBeforeNavigate, &TTestAction::handleBeforeNavigate);
    handle(TEvent::DocumentParseCompleted, &TTestAction::handleDocumentParseCompleted);

    select(m_root);
}

TTestAction::~TTestAction() = default;

int TTestAction::StoredInterval()
{
    TIniFile ini(GlobalSettingsPath());
    if (!ini.load())
        return 500;
    return ini.readInteger(QStringLiteral("AutoOperation"), QStringLiteral("Interval"), 500);
}

bool TTestAction::RunInProgress() const
{
    return m_runner && m_runner->InProgress();
}

void TTestAction::SetStates(bool execute, bool cancel, bool create, bool edit, bool remove)
{
    setEnabled("ActionTestAutoExecute", execute);
    setEnabled("ActionTestAutoCancel", cancel);
    setEnabled("ActionTestAutoNew", create);
    setEnabled("ActionTestAutoEdit", edit);
    setEnabled("ActionTestAutoDelete", remove);
}

void TTestAction::UpdateActionStates()
{
    if (TTestTreeNode* node = selectedNode())
        node->UpdateActionStates(*this);
}

TTestTreeNode* TTestAction::selectedNode() const
{
    const QModelIndex index = m_selection->currentIndex();
    return index.isValid() ? dynamic_cast<TTestTreeNode*>(m_model->itemFromIndex(index)) : nullptr;
}

TTestTreeNodeOperation* TTestAction::selectedOperationNode() const
{
    return dynamic_cast<TTestTreeNodeOperation*>(selectedNode());
}

void TTestAction::select(QStandardItem* item)
{
    m_selection->setCurrentIndex(item->index(), QItemSelectionModel::ClearAndSelect);
    UpdateActionStates();
}

TTestFileCommand& TTestAction::fileCommand()
{
    if (!m_fileCommand)
        m_fileCommand = std::make_unique<TTestFileCommand>(TTestFileCommand::CurrentFolder());
    return *m_fileCommand;
}

void TTestAction::rebuildTree()
{
    m_root->removeRows(0, m_root->rowCount());
    for (int i = 0; i < m_operations.count(); ++i)
        m_root->appendRow(new TTestTreeNodeOperation(m_operations.at(i)));
    select(m_root);
    Q_EMIT expandRequested();
}

void TTestAction::handleProjectEvent(int)
{
    // A run of the previous project's operations must not outlive them.
    removeRunner();
    m_fileCommand = std::make_unique<TTestFileCommand>(TTestFileCommand::CurrentFolder());
    QDir().mkpath(m_fileCommand->folder());
    m_root->removeRows(0, m_root->rowCount());
    m_fileCommand->LoadOperations(m_operations);
    rebuildTree();
}

void TTestAction::handleBeforeNavigate(int)
{
    setEnabled("ActionTestAutoEdit", false);
}

void TTestAction::handleDocumentParseCompleted(int)
{
    if (!RunInProgress())
        UpdateActionStates();
}

void TTestAction::New()
{
    if (!m_editor || RunInProgress())
        return;
    auto operation = std::make_unique<TCommandAutoOperation>();
    operation->TargetScreenID = currentScreenId();
    if (!m_editor->edit(*operation, m_operations))
        return;
    // The tree shows only what is stored; a failed write has been reported.
    if (!fileCommand().AddOperation(*operation))
        return;
    const QString key = QString::number(operation->ID);
    TCommandAutoOperation* added = m_operations.add(key, std::move(operation));
    auto* node = new TTestTreeNodeOperation(added);
    m_root->appendRow(node);
    Q_EMIT expandRequested();
    select(node);
}

void TTestAction::Edit()
{
    TTestTreeNodeOperation* node = selectedOperationNode();
    if (!m_editor || !node || RunInProgress())
        return;
    std::unique_ptr<TCommandAutoOperation> copy = node->operation()->CloneOperation();
    if (!m_editor->edit(*copy, m_operations) || !fileCommand().SaveOperation(*copy))
        return;
    const int index = m_operations.indexOf(QString::number(node->operation()->ID));
    if (index < 0)
        return;
    const QString key = QString::number(copy->ID);
    TCommandAutoOperation* stored = m_operations.replace(index, key, std::move(copy));
    node->setOperation(stored);
    UpdateActionStates();
}

void TTestAction::Delete()
{
    TTestTreeNodeOperation* node = selectedOperationNode();
    if (!node || RunInProgress())
        return;
    const QString key = QString::number(node->operation()->ID);
    // An operation whose list line stays in the file stays in the tree too.
    if (!fileCommand().DeleteOperation(key))
        return;
    const int index = m_operations.indexOf(key);
    m_root->removeRow(node->row()); // destroys the node
    if (index >= 0)
        m_operations.remove(index);
    UpdateActionStates();
}

void TTestAction::Execute()
{
    const int interval = StoredInterval();
    TTestTreeNodeOperation* node = selectedOperationNode();
    if (!node || RunInProgress())
        return;
    Q_EMIT logPageRequested();

    removeRunner();
    auto runner = std::make_unique<TTestOperationAction>(node->operation(), m_operations, interval);
    m_runner = runner.get();
    connect(m_runner.data(), &TTestOperationAction::runEnded, this, [this] { UpdateActionStates(); });
    App().bus().AddListener(std::move(runner));
    SetStates(false, true, false, false, false);
    m_runner->Start();
}

void TTestAction::removeRunner()
{
    if (!m_runner)
        return;
    App().bus().RemoveListener(m_runner.data());
    m_runner = nullptr;
}

void TTestAction::Cancel()
{
    if (m_runner)
        m_runner->Cancel();
}
