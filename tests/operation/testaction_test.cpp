#include "core/commandlist.h"
#include "core/eventbus.h"
#include "core/safefile.h"
#include "operation/operationcommands.h"
#include "operation/testaction.h"
#include "operation/testfilecommand.h"
#include "operation/testoperationaction.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QStandardItemModel>

#include "operationfixture.h"
#include "operationtesting.h"
#include "support/faketabs.h"

#include <cerrno>
#include <deque>

namespace {

// Answers the editor from a script: each answer changes the operation and says OK or not.
class TScriptedEditor : public TOperationEditor {
public:
    bool edit(TCommandAutoOperation& operation, const TOperationList& operations) override
    {
        seenTarget << operation.TargetScreenID;
        listed = operations.count();
        if (answers.empty())
            return false;
        auto answer = std::move(answers.front());
        answers.pop_front();
        return answer(operation);
    }
    std::deque<std::function<bool(TCommandAutoOperation&)>> answers;
    QStringList seenTarget;
    int listed = 0;
};

class TestActionTest : public OperationFixture {
protected:
    TestActionTest()
    {
        BuildCommandCatalogue(App().commands());
        TFakeTab& tab = tabs.add(3);
        tab.document = BuildScreen("login", &channel);
        write("OperationList.txt", "101\r\n102\r\n");
        write("101.ini", "[Info]\r\nOperationName=open\r\nTargetScreenID=localhost_login\r\n");
        write("102.ini", "[Info]\r\nOperationName=menu\r\nOtherAutoOperationID=101\r\nTargetScreenID=localhost_menu\r\n"
                         "OperationType[0]=2,form1.go\r\n");
        auto owned = std::make_unique<TScriptedEditor>();
        editor = owned.get();
        App().bus().AddListener(std::make_unique<TTestAction>(std::move(owned)));
        controller = static_cast<TTestAction*>(App().bus().ListenerAt(0));
        App().bus().NotifyProjectOpened(0);
    }

    QStringList tree() const
    {
        QStringList names { controller->root()->text() };
        for (int i = 0; i < controller->root()->rowCount(); ++i)
            names << controller->root()->child(i)->text();
        return names;
    }
    void select(int row)
    {
        QStandardItem* item = row < 0 ? static_cast<QStandardItem*>(controller->root()) : controller->root()->child(row);
        controller->selectionModel()->setCurrentIndex(item->index(), QItemSelectionModel::ClearAndSelect);
    }
    // Enabled commands as "XCNED" letters (execute, cancel, new, edit, delete), "-" when off.
    QString states() const
    {
        QString s;
        const std::pair<const char*, char> names[] = { { "ActionTestAutoExecute", 'X' }, { "ActionTestAutoCancel", 'C' },
                                                       { "ActionTestAutoNew", 'N' },     { "ActionTestAutoEdit", 'E' },
                                                       { "ActionTestAutoDelete", 'D' } };
        for (const auto& [name, letter] : names)
            s += App().commands().action(name)->isEnabled() ? QChar(letter) : QChar('-');
        return s;
    }
    void trigger(const char* name) { App().commands().action(name)->trigger(); }

    TFakeTabs tabs;
    TReactingPageChannel channel;
    TScriptedEditor* editor = nullptr;
    TTestAction* controller = nullptr;
};

}

// An operation is edited only while a tab shows its screen, whose choices the editor offers.
TEST_F(TestActionTest, EditNeedsATabShowingTheOperationsScreen)
{
    select(0);
    EXPECT_EQ(states(), "X-NED");
    select(1);
    EXPECT_EQ(states(), "X-N-D");
}

// A confirmed new operation is checked through the real editor and tree.
TEST_F(TestActionTest, NewAndEditAreStoredOnlyWhenConfirmedAndDeleteTakesTheChosenOne)
{
    editor->answers.push_back([](TCommandAutoOperation&) { return false; });
    trigger("ActionTestAutoNew");
    EXPECT_EQ(tree().size(), 3);
    EXPECT_EQ(editor->seenTarget, QStringList({ "localhost_login" }));
    EXPECT_EQ(read("OperationList.txt"), "101\r\n102\r\n");

    select(0);
    editor->answers.push_back([](TCommandAutoOperation& op) { op.Name = "changed"; return false; });
    trigger("ActionTestAutoEdit");
    EXPECT_EQ(tree().at(1), "open");
    editor->answers.push_back([](TCommandAutoOperation& op) { op.Name = "opened"; return true; });
    trigger("ActionTestAutoEdit");
    EXPECT_EQ(tree().at(1), "opened");
    EXPECT_EQ(controller->operations().find(101)->Name, "opened");
    EXPECT_TRUE(read("101.ini").contains("OperationName=opened\r\n"));

    trigger("ActionTestAutoDelete"); // the first of two: the other one stays
    EXPECT_EQ(tree(), QStringList({ "自動操作", "menu" }));
    EXPECT_EQ(read("OperationList.txt"), "102\r\n");
}

// What cannot be stored is not shown: the tree, the operations and the files stay as they
// were, and each failure is reported.
TEST_F(TestActionTest, NewEditAndDeleteThatCannotBeStoredChangeNothing)
{
    editor->answers.push_back([](TCommandAutoOperation& op) { op.Name = "new"; return true; });
    editor->answers.push_back([](TCommandAutoOperation& op) { op.Name = "changed"; return true; });
    safefile::setFaultHook([](safefile::Step step, const QString&) { return step == safefile::Step::Write ? ENOSPC : 0; });
    for (const char* command : { "ActionTestAutoNew", "ActionTestAutoEdit", "ActionTestAutoDelete" }) {
        SCOPED_TRACE(command);
        select(0);
        trigger(command);
        EXPECT_EQ(tree(), QStringList({ "自動操作", "open", "menu" }));
    }
    safefile::setFaultHook({});
    EXPECT_EQ(controller->operations().find(101)->Name, "open");
    EXPECT_EQ(controller->operations().count(), 2);
    EXPECT_EQ(read("OperationList.txt"), "101\r\n102\r\n");
    EXPECT_TRUE(read("101.ini").contains("OperationName=open\r\n"));
    EXPECT_EQ(prompter().messages().size(), 3) << prompter().messages().join('|').toStdString();
}

TEST_F(TestActionTest, ARunLeavesOnlyCancelAndItsEndBringsTheCommandsBack)
{
    select(0);
    trigger("ActionTestAutoExecute");
    TTestOperationAction* runner = controller->runner();
    ASSERT_TRUE(runner);
    EXPECT_TRUE(controller->RunInProgress());
    EXPECT_EQ(states(), "-C---");
    select(1);
    EXPECT_EQ(states(), "-C---");
    select(-1);
    EXPECT_EQ(states(), "-C---");
    runner->Step(); // the operation has no commands: it ends
    EXPECT_FALSE(controller->RunInProgress());
    EXPECT_EQ(states(), "--N--");
}

TEST_F(TestActionTest, ARunWithALoopEndsAtOnce)
{
    controller->operations().find(101)->OtherAutoOperationID = 102;
    select(1);
    trigger("ActionTestAutoExecute");
    EXPECT_FALSE(controller->RunInProgress());
    EXPECT_EQ(states(), "X-N-D");
    EXPECT_EQ(log().last(), "open が循環しています"); // met twice
}

TEST_F(TestActionTest, IntervalComesFromTheGlobalSettings)
{
    EXPECT_EQ(TTestAction::StoredInterval(), 500);
    ASSERT_TRUE(WriteFileBytes(m_home.file("Calverdine.ini"), "[AutoOperation]\r\nInterval=20\r\n"));
    EXPECT_EQ(TTestAction::StoredInterval(), 20);
}
