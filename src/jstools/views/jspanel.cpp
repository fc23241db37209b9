#include "jstools/views/jspanel.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/consolememos.h"
#include "core/mainwindowhost.h"
#include "core/views/mainform.h"
#include "core/views/memoview.h"
#include "jstools/jsaction.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kConsoleScriptPage = 3;
constexpr int kRightScriptPage = 2;
constexpr int kNodeRole = Qt::UserRole + 1;

}

TJSPanel::TJSPanel(TJSAction& action, QWidget* parent) : QWidget(parent), m_action(action)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("SplitterJS"));
    layout->addWidget(splitter);

    m_tree = new QTreeWidget(splitter);
    m_tree->setObjectName(QStringLiteral("TreeViewJS"));
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);

    m_grid = new QTableWidget(0, 2, splitter);
    m_grid->setObjectName(QStringLiteral("ValueListEditorJS"));
    m_grid->setHorizontalHeaderLabels({ QStringLiteral("名前"), QStringLiteral("値") });
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->verticalHeader()->hide();

    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item && !m_filling)
            m_action.Select(item->data(0, kNodeRole).toInt());
    });
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (item && !m_filling)
            m_action.Select(item->data(0, kNodeRole).toInt());
    });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this] { m_action.ExecuteFunction(); });
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QTreeWidgetItem* item = m_tree->itemAt(at))
            m_tree->setCurrentItem(item);
        QMenu menu;
        menu.setObjectName(QStringLiteral("PopupMenuJS"));
        for (const char* name : { "ActionJSExecuteFunction", "ActionJSExecuteCode", "", "ActionJSViewSource" }) {
            if (!*name)
                menu.addSeparator();
            else if (QAction* a = App().commands().action(QLatin1String(name)))
                menu.addAction(a);
        }
        menu.exec(m_tree->viewport()->mapToGlobal(at));
    });
    connect(m_grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling || !item || item->column() != 1 || m_action.selected() == 0)
            return;
        m_action.ValueEdited(item->row(), item->text());
    });
    connect(&m_action, &TJSAction::treeChanged, this, &TJSPanel::rebuildTree);
    connect(&m_action, &TJSAction::gridChanged, this, &TJSPanel::refillGrid);
    rebuildTree();
}

void TJSPanel::rebuildTree()
{
    m_filling = true;
    m_tree->clear();
    std::vector<QTreeWidgetItem*> items;
    const auto& nodes = m_action.nodes();
    for (size_t i = 0; i < nodes.size(); ++i) {
        const TJSAction::Node& node = nodes[i];
        QTreeWidgetItem* item = node.parent < 0 ? new QTreeWidgetItem(m_tree)
                                                : new QTreeWidgetItem(items[size_t(node.parent)]);
        item->setText(0, node.text);
        item->setData(0, kNodeRole, int(i));
        items.push_back(item);
    }
    m_tree->expandAll();
    if (!items.empty())
        m_tree->setCurrentItem(items[size_t(std::max(0, std::min(m_action.selected(), int(items.size()) - 1)))]);
    m_filling = false;
}

void TJSPanel::refillGrid()
{
    m_filling = true;
    const auto& rows = m_action.gridRows();
    m_grid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        auto* name = new QTableWidgetItem(rows[r].first);
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        m_grid->setItem(r, 0, name);
        m_grid->setItem(r, 1, new QTableWidgetItem(rows[r].second));
    }
    m_filling = false;
}

std::unique_ptr<TActionCalverdine> CreateJSAction(TMainForm& form)
{
    TMemo& console = App().service<TConsoleMemos>().script;
    auto action = std::make_unique<TJSAction>(&console);
    TJSAction* js = action.get();
    js->showConsole = [] {
        if (TMainWindowHost* host = App().mainWindow)
            host->showConsolePage(kConsoleScriptPage);
    };
    // The console takes typed code: the user selects what to run.
    TMemoView* memo = form.consolePage(kConsoleScriptPage)->findChild<TMemoView*>();
    if (memo)
        memo->setReadOnly(false);
    QPointer<TMemoView> memoGuard(memo);
    js->consoleSelection = [memoGuard] {
        return memoGuard ? memoGuard->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'))
                         : QString();
    };
    TMainForm::setPageContent(form.rightPage(kRightScriptPage), new TJSPanel(*js));
    return action;
}
