#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"
#include "browser/tabaction.h"
#include "browser/views/tabwidgets.h"
#include "core/appcontext.h"
#include "core/layoutsettings.h"
#include "core/projectdocument.h"
#include "core/projectstate.h"
#include "core/viewaction.h"
#include "core/views/mainform.h"
#include "jstools/views/jspanel.h"
#include "support/httpserver.h"
#include "support/testhome.h"

#include <QDir>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <QWebEnginePage>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The main window with the view, tab and JavaScript controllers on the real engine.
class JSPanelE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_profile = new TEngineProfile();
        s_server = new THttpServer();
        ASSERT_TRUE(s_server->start());
        s_server->addPage(QStringLiteral("/jp/home.html"),
                          "<html><body><script>var count = 1; function add(n) { count += n; return count; }</script>"
                          "</body></html>");
        s_server->addPage(QStringLiteral("/jp/other.html"), "<html><body><script id=main>var other;</script></body></html>");
        s_server->addPage(QStringLiteral("/jp/frame.html"), "<html><body><script>var inner = 3;</script></body></html>");
    }
    static void TearDownTestSuite()
    {
        delete s_server;
        delete s_profile;
        ProcessDeferredDeletes();
    }

    JSPanelE2E()
    {
        form = std::make_unique<TMainForm>();
        form->resize(1200, 800);
        form->show();
        TEventBus& bus = App().bus();
        bus.AddListener(std::make_unique<TViewAction>(App().service<TLayoutSettings>()));
        auto action = CreateTabAction(*form, s_profile);
        tabs = static_cast<TTabAction*>(action.get());
        bus.AddListener(std::move(action));
        bus.AddListener(CreateJSAction(*form));
        tree = form->findChild<QTreeWidget*>(QStringLiteral("TreeViewJS"));
        grid = form->findChild<QTableWidget*>(QStringLiteral("ValueListEditorJS"));
    }
    ~JSPanelE2E() override
    {
        if (App().currentProject()) {
            App().service<TProjectState>().closing = true;
            App().takeCurrentProject().reset();
            App().bus().NotifyProjectClosed(0);
        }
        form.reset();
        ProcessDeferredDeletes();
    }

    void openProject()
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->ApplyNewProjectValues(QStringLiteral("E2E"), home.path());
        project->SetHomePage(s_server->urlText(QStringLiteral("/jp/home.html")));
        QDir().mkpath(project->RootDirectory());
        App().setCurrentProject(std::move(project));
        App().service<TProjectState>().closing = false;
        App().bus().NotifyProjectOpened(0);
    }

    // The tree as "depth:text" lines.
    QStringList treeLines() const
    {
        QStringList lines;
        std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
            lines.append(QStringLiteral("%1:%2").arg(depth).arg(item->text(0)));
            for (int i = 0; i < item->childCount(); ++i)
                walk(item->child(i), depth + 1);
        };
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            walk(tree->topLevelItem(i), 0);
        return lines.mid(1); // without the root, whose text is the screen ID
    }
    QTreeWidgetItem* find(const QString& text) const
    {
        const auto items = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return items.isEmpty() ? nullptr : items.first();
    }
    QString cell(int row, int column) const
    {
        QTableWidgetItem* item = grid->item(row, column);
        return item ? item->text() : QString();
    }
    QVariant run(const QString& script)
    {
        auto* browser = dynamic_cast<TEngineBrowser*>(tabs->CurrentTabWindow()->Browser());
        auto answer = std::make_shared<std::pair<bool, QVariant>>();
        browser->page()->runJavaScript(script, 0, [answer](const QVariant& v) { *answer = { true, v }; });
        WaitUntil([&] { return answer->first; }, 10000);
        return answer->second;
    }

    static THttpServer* s_server;
    static TEngineProfile* s_profile;
    TTestHome home;
    std::unique_ptr<TMainForm> form;
    TTabAction* tabs = nullptr;
    QTreeWidget* tree = nullptr;
    QTableWidget* grid = nullptr;
};

THttpServer* JSPanelE2E::s_server = nullptr;
TEngineProfile* JSPanelE2E::s_profile = nullptr;

TEST_F(JSPanelE2E, TheTreeAndGridFollowThePageAndItsVariables)
{
    ASSERT_NE(tree, nullptr);
    ASSERT_NE(grid, nullptr);
    openProject();
    ASSERT_TRUE(WaitUntil([&] { return treeLines() == QStringList({ "1:SCRIPT", "2:add" }); }))
        << treeLines().join(' ').toStdString();

    tree->setCurrentItem(find("SCRIPT"));
    ASSERT_TRUE(WaitUntil([&] { return cell(0, 0) == "count" && cell(0, 1) == "1"; }, 10000));

    grid->item(0, 1)->setText("count + 4");
    ASSERT_TRUE(WaitUntil([&] { return cell(0, 1) == "5"; }, 10000)) << "the grid shows the page's value";
    EXPECT_EQ(run("count").toInt(), 5);

    tree->setCurrentItem(find("add"));
    grid->item(0, 1)->setText("2");
    QTreeWidgetItem* add = find("add");
    emit tree->itemDoubleClicked(add, 0);
    ASSERT_TRUE(WaitUntil([&] { return run("count").toInt() == 7; }, 10000)) << "the function was called with 2";

    // A frame that the page adds later appears with its script.
    run("var f = document.createElement('iframe'); f.src = 'frame.html'; document.body.appendChild(f); 1");
    ASSERT_TRUE(WaitUntil([&] { return treeLines().contains("2:SCRIPT") && treeLines().size() == 4; }))
        << treeLines().join(' ').toStdString();

    // Another tab shows its own page; going back shows the first page again.
    App().tabs->OpenTab(s_server->urlText(QStringLiteral("/jp/other.html")));
    ASSERT_TRUE(WaitUntil([&] { return treeLines() == QStringList({ "1:main" }); })) << treeLines().join(' ').toStdString();
    form->tabStrip()->setCurrentIndex(0);
    ASSERT_TRUE(WaitUntil([&] { return treeLines().contains("2:add"); })) << treeLines().join(' ').toStdString();
}

}
