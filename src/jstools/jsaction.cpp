#include "jstools/jsaction.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/memo.h"
#include "core/prompter.h"
#include "core/tabaccess.h"
#include "document/calverdinedocument.h"
#include "document/tagscript.h"
#include "document/tagtree.h"

#include <QAction>
#include <QPointer>

namespace {

const char* const kOwner = "TJSAction";

QAction* command(const char* name)
{
    return App().commands().action(QLatin1String(name));
}

QPair<QString, QString> splitLine(const QString& line)
{
    const int eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? qMakePair(line, QString()) : qMakePair(line.left(eq), line.mid(eq + 1));
}

// Blanks and control characters at both ends removed.
QString trimmedCode(const QString& text)
{
    int begin = 0;
    int end = int(text.size());
    auto blank = [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; };
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

}

TJSAction::TJSAction(TMemo* console, QObject* parent)
    : TActionCalverdine(parent), m_console(console), m_executor(console, [this] {
          if (showConsole)
              showConsole();
      })
{
    setObjectName(QLatin1String(kOwner));
    TCommandList& commands = App().commands();
    for (const char* name : { "ActionJSExecuteCode", "ActionJSExecuteFunction", "ActionJSViewSource" })
        if (QAction* a = commands.claim(QLatin1String(name), QLatin1String(kOwner)))
            a->setEnabled(false);
    if (QAction* a = command("ActionJSExecuteCode"))
        connect(a, &QAction::triggered, this, &TJSAction::ExecuteCode);
    if (QAction* a = command("ActionJSExecuteFunction"))
        connect(a, &QAction::triggered, this, &TJSAction::ExecuteFunction);
    if (QAction* a = command("ActionJSViewSource"))
        connect(a, &QAction::triggered, this, &TJSAction::ViewSource);
    connect(&m_executor, &TScriptExecutor::variablesChanged, this, [this](TTagScript* script) {
        const Node* node = selectedNode();
        if (node && node->kind == Node::Script && node->script == script) {
            fillGrid(script->Variables());
        }
    });

    handle(TEvent::ProjectNewed, &TJSAction::handleClear);
    handle(TEvent::ProjectOpened, &TJSAction::handleClear);
    handle(TEvent::ProjectClosed, &TJSAction::handleClear);
    handle(TEvent::TabWindowWasNothing, &TJSAction::handleClear);
    handle(TEvent::TabWindowActivated, &TJSAction::handleTabActivated);
    handle(TEvent::BrowserBeforeNavigate, &TJSAction::handleBeforeNavigate);
    handle(TEvent::DocumentParseCompleted, &TJSAction::handleParsed);
    handle(TEvent::BrowserCommandBusyStateChanged, &TJSAction::handleBusyChanged);
    clearTree(QStringLiteral("画面ID"), true);
}

const TJSAction::Node* TJSAction::selectedNode() const
{
    return m_selected >= 0 && m_selected < int(m_nodes.size()) ? &m_nodes[size_t(m_selected)] : nullptr;
}

void TJSAction::setActions(bool code, bool function, bool source)
{
    if (QAction* a = command("ActionJSExecuteCode"))
        a->setEnabled(code);
    if (QAction* a = command("ActionJSExecuteFunction"))
        a->setEnabled(function);
    if (QAction* a = command("ActionJSViewSource"))
        a->setEnabled(source);
}

void TJSAction::clearTree(const QString& rootText, bool modelGone)
{
    // The nodes refer into the model that is going away: answers still to come are dropped.
    if (modelGone) {
        m_executor.Invalidate();
        m_builtModel = nullptr;
    }
    Node root;
    root.text = rootText;
    m_nodes = { root };
    m_selected = 0;
    m_grid.clear();
    Q_EMIT treeChanged();
    Q_EMIT gridChanged();
}

void TJSAction::addScripts(TTagFrame* frame, int parent)
{
    for (const auto& script : frame->Scripts()) {
        Node node;
        node.kind = Node::Script;
        node.text = script->GetCaption();
        node.parent = parent;
        node.image = 21;
        node.selectedImage = 23;
        node.frame = frame;
        node.script = script.get();
        m_nodes.push_back(node);
        const int scriptIndex = int(m_nodes.size()) - 1;
        for (const auto& function : script->Functions()) {
            Node f;
            f.kind = Node::Function;
            f.text = function->Name();
            f.parent = scriptIndex;
            f.image = 22;
            f.selectedImage = 23;
            f.frame = frame;
            f.script = script.get();
            f.function = function.get();
            m_nodes.push_back(f);
        }
    }
}

void TJSAction::addFrame(TTagFrame* frame, int parent)
{
    Node node;
    node.kind = Node::Frame;
    node.text = frame->GetCaption();
    node.parent = parent;
    node.frame = frame;
    m_nodes.push_back(node);
    const int index = int(m_nodes.size()) - 1;
    for (const auto& child : frame->ChildFrames())
        addFrame(child.get(), index);
    addScripts(frame, index);
}

void TJSAction::buildTree()
{
    TTabView* tab = CurrentTabView();
    TCalverdineDocument* model = tab ? tab->GetDocumentModel() : nullptr;
    clearTree(model ? model->ScreenID() : QStringLiteral("画面ID"), model != m_builtModel);
    m_builtModel = model;
    m_builtTab = tab ? tab->TabId() : -1;
    if (!model || !model->RootFrame())
        return;
    m_nodes[0].frame = model->RootFrame();
    for (const auto& child : model->RootFrame()->ChildFrames())
        addFrame(child.get(), 0);
    addScripts(model->RootFrame(), 0);
    setActions(false, false, false);
    Q_EMIT treeChanged();
}

void TJSAction::fillGrid(const QStringList& lines)
{
    m_gridLoading = true;
    m_grid.clear();
    for (const QString& line : lines)
        m_grid.append(splitLine(line));
    Q_EMIT gridChanged();
    m_gridLoading = false;
}

void TJSAction::Select(int index)
{
    if (index < 0 || index >= int(m_nodes.size()))
        return;
    m_selected = index;
    m_grid.clear();
    const Node& node = m_nodes[size_t(index)];
    switch (node.kind) {
    case Node::Root:
    case Node::Frame:
        setActions(false, false, false);
        Q_EMIT gridChanged();
        break;
    case Node::Script:
        setActions(true, false, true);
        fillGrid(node.script->Variables());
        m_executor.RefreshVariables(node.script);
        break;
    case Node::Function:
        setActions(true, true, true);
        fillGrid(node.function->Parameters());
        break;
    }
    m_gridLoading = false;
}

void TJSAction::ValueEdited(int row, const QString& value)
{
    const Node* node = selectedNode();
    if (m_gridLoading || !node || row < 0 || row >= m_grid.size())
        return;
    const QString name = m_grid[row].first;
    m_grid[row].second = value;
    if (node->kind == Node::Script) {
        TTagScript* script = node->script;
        QPointer<TJSAction> self(this);
        m_executor.SetVariableValue(script, name, value, [self, script](const QString&, bool ok) {
            // The value was not taken: the grid shows again what the page still holds.
            if (self && !ok)
                self->m_executor.RefreshVariables(script);
        });
    } else if (node->kind == Node::Function) {
        QStringList& parameters = node->function->Parameters();
        if (row < parameters.size() && splitLine(parameters[row]).first == name)
            parameters[row] = name + QLatin1Char('=') + value;
    }
}

void TJSAction::ExecuteFunction()
{
    const Node* node = selectedNode();
    if (!node || node->kind != Node::Function)
        return;
    m_executingFromPanel = true;
    m_executor.Call(node->function);
    fillGrid(node->function->Parameters());
}

void TJSAction::ExecuteCode()
{
    const Node* node = selectedNode();
    if (!node || (node->kind != Node::Script && node->kind != Node::Function))
        return;
    const QString code = trimmedCode(consoleSelection ? consoleSelection() : QString());
    if (code.isEmpty()) {
        if (TPrompter* prompter = App().prompter())
            prompter->message(QStringLiteral("実行するコードを JavaScript コンソールに入力し、選択した状態にしてください"),
                              QString(), TPrompter::Buttons::Ok, TPrompter::Icon::Information);
        return;
    }
    m_executingFromPanel = true;
    m_executor.Execute(node->script, code);
}

void TJSAction::ViewSource()
{
    const Node* node = selectedNode();
    if (!node || (node->kind != Node::Script && node->kind != Node::Function))
        return;
    if (showConsole)
        showConsole();
    if (node->kind == Node::Script) {
        if (m_console) {
            m_console->appendLine(ScriptSeparator());
            m_console->appendLine(node->script->Text());
        }
        return;
    }
    QPointer<TMemo> console(m_console);
    m_executor.GetSource(node->function, [console](const QString& source, bool) {
        if (!console)
            return;
        console->appendLine(ScriptSeparator());
        console->appendLine(source);
    });
}

void TJSAction::handleClear(int)
{
    clearTree(QStringLiteral("画面ID"), true);
    m_builtTab = -1;
    setActions(false, false, false);
}

void TJSAction::handleTabActivated(int)
{
    setActions(false, false, false);
    TTabView* tab = CurrentTabView();
    if (tab && tab->IsReady() && tab->TabId() != m_builtTab)
        buildTree();
}

void TJSAction::handleBeforeNavigate(int)
{
    TTabView* tab = CurrentTabView();
    clearTree(tab ? tab->GetRequestedUrl() : QString(), true);
    setActions(false, false, false);
}

void TJSAction::handleParsed(int)
{
    buildTree();
}

void TJSAction::handleBusyChanged(int)
{
    TTabView* tab = CurrentTabView();
    if (tab && tab->IsReady() && !m_executingFromPanel)
        buildTree();
    m_executingFromPanel = false;
}
