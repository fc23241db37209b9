#include "core/popupinfo.h"
#include "core/appcontext.h"
#include "operation/commandautooperation.h"
#include "operation/operationcommands.h"

#include "operationfixture.h"
#include "operationtesting.h"
#include "support/faketabs.h"

namespace {

const QString kDots = QStringLiteral(" \u2026 ");

class OperationCommandsTest : public OperationFixture {
protected:
    OperationCommandsTest()
    {
        forms = std::make_shared<TFakeOperationFormData>();
        App().setService<TOperationFormData>(forms);
        op.TargetScreenID = "localhost_login";
    }

    // A tab showing the screen, added after the others (tab order is the order of adding).
    TFakeTab& showTab(int id, const QString& screen)
    {
        TFakeTab& tab = tabs.add(id);
        channels[id] = std::make_unique<TReactingPageChannel>();
        tab.document = BuildScreen(screen, channels[id].get());
        return tab;
    }
    template <class T>
    T& add()
    {
        op.append(std::make_unique<T>());
        return static_cast<T&>(*op.at(op.count() - 1));
    }

    TFakeTabs tabs;
    std::map<int, std::unique_ptr<TReactingPageChannel>> channels;
    std::shared_ptr<TFakeOperationFormData> forms;
    TCommandAutoOperation op;
};

std::unique_ptr<TCommandClickPopup> popup(int boxType, int button)
{
    auto c = std::make_unique<TCommandClickPopup>();
    c->BoxType = boxType;
    c->Button = button;
    return c;
}

}

TEST_F(OperationCommandsTest, ViewTextsAndStoredTexts)
{
    showTab(1, "other");
    showTab(2, "login");
    auto& input = add<TCommandInputData>();
    input.DataID = "1239876";
    input.DataName = "user 1";
    auto& compare = add<TCommandFormCompare>();
    compare.DataID = "17";
    compare.DataName = "a,b";
    add<TCommandClickButton>().ButtonKey = "FORM1.GO";
    add<TCommandClickButton>().ButtonKey = "form1.gone";
    add<TCommandClickAnchor>().AnchorKey = "next.html";
    op.append(popup(48, 1));
    op.append(popup(33, 1));
    op.append(popup(33, 2));

    struct Row {
        QString view, stored;
    };
    const Row expected[] = {
        { "データ入力" + kDots + "user 1", "0,1239876,user 1" },
        { "フォーム値比較" + kDots + "a,b", "4,17,a,b" },
        // Found in the second tab, the first that shows the operation's screen.
        { "ボタンクリック" + kDots + "Go (form1.go)", "2,FORM1.GO" },
        // A key no longer on the page is shown bare.
        { "ボタンクリック" + kDots + "form1.gone", "2,form1.gone" },
        { "アンカークリック" + kDots + "Next (next.html)", "3,next.html" },
        { "Alert" + kDots + "OK ボタン", "1,1" },
        { "Confirm" + kDots + "OK ボタン", "1,2,1" },
        { "Confirm" + kDots + "キャンセルボタン", "1,2,2" },
    };
    ASSERT_EQ(op.count(), int(std::size(expected)));
    for (int i = 0; i < op.count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(op.at(i)->GetViewText(), expected[i].view);
        EXPECT_EQ(op.at(i)->GetOperationType(), expected[i].stored);
    }
    // Without a tab showing the screen the labels fall back to the keys.
    op.TargetScreenID = "localhost_elsewhere";
    EXPECT_EQ(op.at(2)->GetViewText(), "ボタンクリック" + kDots + "FORM1.GO");
}

TEST_F(OperationCommandsTest, CloneCopiesEveryFieldAndTheCommandsInOrder)
{
    op.ID = 1240001;
    op.Name = "login";
    op.OtherAutoOperationID = 1239001;
    op.MoveAddress = "http://localhost_login.html";
    op.FinishedScreenID = "localhost_menu";
    auto& input = add<TCommandInputData>();
    input.ScreenID = "localhost_login";
    input.DataID = "5";
    input.DataName = "u";
    op.append(popup(33, 2));
    add<TCommandClickAnchor>().AnchorKey = "next.html";

    const auto copy = op.CloneOperation();
    const auto fields = [](const TCommandAutoOperation& o) {
        return QStringList({ QString::number(o.ID), o.Name, QString::number(o.OtherAutoOperationID), o.MoveAddress,
                             o.TargetScreenID, o.FinishedScreenID });
    };
    EXPECT_EQ(fields(*copy), fields(op));
    ASSERT_EQ(copy->count(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NE(copy->at(i), op.at(i));
        EXPECT_EQ(copy->at(i)->Owner, copy.get());
        EXPECT_EQ(copy->at(i)->ID, op.at(i)->ID);
        EXPECT_EQ(typeid(*copy->at(i)), typeid(*op.at(i)));
        EXPECT_EQ(copy->at(i)->GetOperationType(), op.at(i)->GetOperationType());
    }
    EXPECT_EQ(static_cast<TCommandInputData*>(copy->at(0))->ScreenID, "localhost_login");
    // Changing the copy leaves the original alone.
    copy->remove(0);
    EXPECT_EQ(op.count(), 3);
}

TEST_F(OperationCommandsTest, CommandListMovesFollowTheEntry)
{
    for (const char* key : { "a", "b", "c" })
        add<TCommandClickAnchor>().AnchorKey = key;
    auto keys = [this] {
        QStringList k;
        for (int i = 0; i < op.count(); ++i)
            k << static_cast<TCommandClickAnchor*>(op.at(i))->AnchorKey;
        return k;
    };
    EXPECT_EQ(op.moveUp(0), 0);
    EXPECT_EQ(op.moveDown(0), 1);
    EXPECT_EQ(keys(), QStringList({ "b", "a", "c" }));
    EXPECT_EQ(op.moveDown(2), 2);
    EXPECT_EQ(op.moveUp(2), 1);
    EXPECT_EQ(keys(), QStringList({ "b", "c", "a" }));
    auto replacement = std::make_unique<TCommandClickAnchor>();
    replacement->AnchorKey = "z";
    op.replace(1, std::move(replacement));
    EXPECT_EQ(op.at(1)->Owner, &op);
    op.remove(0);
    EXPECT_EQ(keys(), QStringList({ "z", "a" }));
}

TEST_F(OperationCommandsTest, ClicksReachTheElementOfTheTabShowingTheScreen)
{
    showTab(1, "login");
    showTab(2, "login");
    add<TCommandClickButton>().ButtonKey = "form1.go";
    add<TCommandClickAnchor>().AnchorKey = "next.html";
    add<TCommandClickButton>().ButtonKey = "form1.gone";
    for (int i = 0; i < op.count(); ++i)
        op.at(i)->Execute();
    EXPECT_EQ(channels[1]->clicks(), 2);
    EXPECT_EQ(channels[2]->clicks(), 0);
    EXPECT_EQ(op.at(2)->ErrorCode, 0);
}

TEST_F(OperationCommandsTest, InputAndCompareGoThroughTheFormDataEntryPoints)
{
    auto& input = add<TCommandInputData>();
    input.ScreenID = "localhost_login";
    input.DataID = "42";
    auto& compare = add<TCommandFormCompare>();
    compare.DataID = "42";

    bool done = false;
    input.Execute([&] { done = true; });
    EXPECT_TRUE(done);

    forms->compareResult = true;
    compare.Execute();
    EXPECT_EQ(compare.ErrorCode, 0);
    forms->compareResult = false;
    compare.Execute();
    EXPECT_EQ(compare.ErrorCode, 21);
    // An answer that comes later finishes the command then.
    forms->holdCompare = true;
    done = false;
    compare.Execute([&] { done = true; });
    EXPECT_FALSE(done);
    forms->held(true);
    EXPECT_TRUE(done);
    EXPECT_EQ(compare.ErrorCode, 0);
    // An answer for a command destroyed meanwhile is dropped.
    auto gone = std::make_unique<TCommandFormCompare>();
    gone->DataID = "43";
    done = false;
    gone->Execute([&] { done = true; });
    gone.reset();
    forms->held(false);
    EXPECT_FALSE(done);
    EXPECT_EQ(forms->calls, QStringList({ "input localhost_login 42", "compare 42", "compare 42", "compare 42", "compare 43" }));
}

TEST_F(OperationCommandsTest, BoxAnswersAndTheirCheck)
{
    struct Case {
        const char* name;
        int boxType, button, shownType;
        int answerResult, answerButton; // what the command fills in
        int result, resultButton;       // what the tab then reports
        bool answered;
    };
    const Case cases[] = {
        { "alert", 48, 1, 48, 0, -1, 0, -1, true },
        { "confirm OK", 33, 1, 33, 0, 1, 0, 1, true },
        { "confirm cancel", 33, 2, 33, 0, 2, 0, 2, true },
        { "confirm shown to the user instead", 33, 2, 33, 0, 2, 1, 2, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto command = popup(c.boxType, c.button);
        TPopupMessageInfo info;
        info.MessageType = c.shownType;
        command->PopupInfo = &info;
        command->Execute();
        EXPECT_EQ(info.AnswerResult, c.answerResult);
        EXPECT_EQ(info.AnswerButton, c.answerButton);
        info.Result = c.result;
        info.AnswerButton = c.resultButton;
        EXPECT_EQ(command->CheckAnswered(info), c.answered);
    }
}
