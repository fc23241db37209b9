#pragma once

#include "core/eventbus.h"
#include "jstools/scriptexecution.h"

#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <vector>

class TCalverdineDocument;
class TTagFrame;
class TTagScript;
class TTagScriptFunction;

// The JavaScript panel's controller: the frame / script / function tree of the current
// tab's page, the name/value grid of the selected node (a script's variables, a function's
// parameters), and the commands that execute code, call functions and view sources. The
// panel view shows `nodes()` and `gridRows()` and reports clicks, edits and the console's
// selected text.
class TJSAction final : public TActionCalverdine {
    Q_OBJECT
public:
    struct Node {
        enum Kind { Root, Frame, Script, Function };
        Kind kind = Root;
        QString text;
        int parent = -1; // index in nodes(); -1 for the root
        int image = 4;
        int selectedImage = 4;
        TTagFrame* frame = nullptr;
        TTagScript* script = nullptr;
        TTagScriptFunction* function = nullptr;
    };

    explicit TJSAction(TMemo* console, QObject* parent = nullptr);

    // The tree in display order; the root is always first.
    const std::vector<Node>& nodes() const { return m_nodes; }
    int selected() const { return m_selected; }
    // Name and value per row of the grid (the title row not counted).
    const QList<QPair<QString, QString>>& gridRows() const { return m_grid; }

    // The tree's selection changed (or the node was clicked): shows its details.
    void Select(int node);
    // The user finished editing the value of grid row `row` (0 = the first entry).
    void ValueEdited(int row, const QString& value);
    void ExecuteFunction();
    // Runs the text selected in the console (trimmed) through the selected node's script.
    void ExecuteCode();
    void ViewSource();

    // The text selected in the JavaScript console (given by the view).
    std::function<QString()> consoleSelection;
    // Brings the console's JavaScript page to the front (given by the composition root).
    std::function<void()> showConsole;

    TScriptExecutor& executor() { return m_executor; }

Q_SIGNALS:
    void treeChanged();
    void gridChanged();

private:
    void clearTree(const QString& rootText, bool modelGone);
    void buildTree();
    void addFrame(TTagFrame* frame, int parent);
    void addScripts(TTagFrame* frame, int parent);
    void setActions(bool code, bool function, bool source);
    void fillGrid(const QStringList& lines);
    const Node* selectedNode() const;

    void handleClear(int);
    void handleTabActivated(int);
    void handleBeforeNavigate(int);
    void handleParsed(int);
    void handleBusyChanged(int);

    TMemo* m_console = nullptr;
    TScriptExecutor m_executor;
    std::vector<Node> m_nodes;
    int m_selected = 0;
    QList<QPair<QString, QString>> m_grid;
    bool m_gridLoading = false;
    bool m_executingFromPanel = false;
    int m_builtTab = -1;
    TCalverdineDocument* m_builtModel = nullptr;
};
