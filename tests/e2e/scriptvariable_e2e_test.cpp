#include "enginetab.h"

#include "core/views/mainform.h"
#include "jstools/views/jspanel.h"

#include <QTableWidget>
#include <QTreeWidget>

namespace {

// A value typed into the script panel's grid that the page does not take is replaced by the
// value the page still holds, so the grid never shows a value that was not assigned.
class ScriptVariableE2E : public TEngineWindowSuite {
protected:
    ScriptVariableE2E() { App().bus().AddListener(CreateJSAction(*form)); }
};

TEST_F(ScriptVariableE2E, AFailedAssignmentShowsThePagesValueAgain)
{
    s_server->addPage(QStringLiteral("/sv/page.html"), "<html><body><script>var count = 1;</script></body></html>");
    openProject(QStringLiteral("/sv/page.html"));
    auto* tree = form->findChild<QTreeWidget*>(QStringLiteral("TreeViewJS"));
    auto* grid = form->findChild<QTableWidget*>(QStringLiteral("ValueListEditorJS"));
    ASSERT_TRUE(tree && grid);
    ASSERT_TRUE(WaitUntil([&] { return FindItem(*tree, QStringLiteral("SCRIPT")); }));
    tree->setCurrentItem(FindItem(*tree, QStringLiteral("SCRIPT")));
    auto shown = [&] { return grid->item(0, 1) ? grid->item(0, 1)->text() : QString(); };
    ASSERT_TRUE(WaitUntil([&] { return shown() == "1"; }, 10000));

    struct Row { const char* name; const char* typed; const char* shown; };
    for (const Row& row : { Row { "taken", "count + 1", "2" }, Row { "does not parse", "count +", "2" },
                            Row { "throws", "undefinedName", "2" } }) {
        grid->item(0, 1)->setText(QString::fromLatin1(row.typed));
        EXPECT_TRUE(WaitUntil([&] { return shown() == row.shown; }, 10000)) << row.name << ": " << shown().toStdString();
    }
    EXPECT_EQ(run(QStringLiteral("count")).toInt(), 2);
}

}
