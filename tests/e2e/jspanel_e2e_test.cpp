#include "enginetab.h"

#include "core/views/mainform.h"
#include "jstools/views/jspanel.h"

#include <QTableWidget>
#include <QTreeWidget>

#include <memory>

namespace {

// The main window with the view, tab and JavaScript controllers on the real engine.
class JSPanelE2E : public TEngineWindowSuite {
protected:
    static void SetUpTestSuite()
    {
        TEngineSuite::SetUpTestSuite();
        s_server->addPage(QStringLiteral("/jp/home.html"),
                          "<html><body><script>var count = 1; function add(n) { count += n; return count; }</script>"
                          "</body></html>");
        s_server->addPage(QStringLiteral("/jp/frame.html"), "<html><body><script>var inner = 3;</script></body></html>");
    }

    JSPanelE2E()
    {
        App().bus().AddListener(CreateJSAction(*form));
        tree = form->findChild<QTreeWidget*>(QStringLiteral("TreeViewJS"));
        grid = form->findChild<QTableWidget*>(QStringLiteral("ValueListEditorJS"));
    }

    QStringList treeLines() const { return TreeLines(*tree); }
    QTreeWidgetItem* find(const QString& text) const { return FindItem(*tree, text); }
    QString cell(int row, int column) const
    {
        QTableWidgetItem* item = grid->item(row, column);
        return item ? item->text() : QString();
    }
    QTreeWidget* tree = nullptr;
    QTableWidget* grid = nullptr;
};

TEST_F(JSPanelE2E, TheTreeAndGridFollowThePageAndItsVariables)
{
    ASSERT_NE(tree, nullptr);
    ASSERT_NE(grid, nullptr);
    openProject("/jp/home.html");
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
}

}
