#include "jstools/scriptexecution.h"

#include "core/memo.h"
#include "document/support/documenttesting.h"
#include "document/support/recordingpagechannel.h"
#include "document/tagscript.h"
#include "document/tagtree.h"
#include "support/testhome.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Answer = TPageChannel::ScriptAnswer;
using Request = TPageChannel::ScriptRequest;

Answer value(const QString& kind, const QString& text = QString())
{
    Answer a;
    a.ok = true;
    a.kind = kind;
    a.text = text;
    return a;
}

Answer thrown(const QString& message)
{
    Answer a;
    a.error = message;
    return a;
}

TEST(ScriptValues, AreFormattedByKind)
{
    struct Row {
        const char* name;
        Answer answer;
        bool named;
        QString expected;
    } rows[] = {
        { "undefined", value("undefined"), false, "undefined" },
        { "null", value("null"), true, "null" },
        { "string in quotes", value("string", "a \"b\""), false, "\"a \"b\"\"" },
        { "empty string", value("string"), true, "\"\"" },
        { "number as the page writes it", value("number", "0.30000000000000004"), false, "0.30000000000000004" },
        { "boolean", value("boolean", "true"), false, "true" },
        { "object", value("object", "[object Object]"), false, "@Object:[object Object]" },
        { "named object with empty text", value("object", ""), true, "@Object:null" },
        { "unnamed object with empty text", value("object", ""), false, "@Object:" },
    };
    for (const Row& r : rows)
        EXPECT_EQ(FormatScriptValue(r.answer, r.named), r.expected) << r.name;
}

TEST(ScriptValues, OnlyPlainIdentifiersAreNames)
{
    struct Row {
        const char* name;
        bool valid;
    } rows[] = {
        { "count", true },   { "_x$1", true },  { "名前", true },   { "start", true },
        { "", false },       { "1a", false },   { "a.b", false },  { "a=1", false },
        { "x;alert(1)", false }, { "a b", false }, { "a[0]", false }, { "a\nb", false },
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsScriptIdentifier(QString::fromUtf8(r.name)), r.valid) << r.name;
}

class ScriptExecution : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& top = builder.document(url);
        top.script("function f(a, b) { return a; }\nvar count = 1; var obj;");
        model = parseModel(builder.build(&channel));
        ASSERT_EQ(model->RootFrame()->Scripts().size(), 1u);
        script = model->RootFrame()->Scripts()[0].get();
        ASSERT_EQ(script->Functions().size(), 1u);
        function = script->Functions()[0].get();
    }


    QString url = QStringLiteral("http://localhost/index.html");
    TDocumentTestHome home;
    TSnapshotBuilder builder;
    TRecordingPageChannel channel;
    std::unique_ptr<TCalverdineDocument> model;
    TTagScript* script = nullptr;
    TTagScriptFunction* function = nullptr;
    TMemo console;
    int shown = 0;
    TScriptExecutor executor { &console, [this] { ++shown; } };
};

TEST_F(ScriptExecution, CodeTranscriptIsCompletedWhenTheAnswerArrives)
{
    channel.holdScriptAnswers = true;
    QString result = "unset";
    executor.Execute(script, "1+1", [&](const QString& r, bool) { result = r; });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(console.lines(), QStringList({ QString(60, '-') }));
    ASSERT_EQ(channel.scriptRequests.size(), 1u);
    EXPECT_EQ(channel.scriptRequests[0].request, Request::Evaluate);
    EXPECT_EQ(channel.scriptRequests[0].text, "1+1");
    EXPECT_TRUE(executor.Busy());

    channel.heldScriptAnswers[0](value("number", "2"));
    EXPECT_EQ(console.lines(), QStringList({ QString(60, '-'), "code text:1+1", "return value:2" }));
    EXPECT_EQ(result, "2");
    EXPECT_FALSE(executor.Busy());
}

TEST_F(ScriptExecution, AFunctionIsCalledWithItsParameterValuesByPosition)
{
    function->Parameters() = QStringList({ "a= 1 ", "b=" });
    channel.scriptAnswer = value("number", "1");
    executor.Call(function);
    ASSERT_EQ(channel.scriptRequests.size(), 1u);
    EXPECT_EQ(channel.scriptRequests[0].text, "f(1, undefined)");
    EXPECT_EQ(function->Parameters(), QStringList({ "a= 1 ", "b=" })) << "the values stay for the next call";
}

TEST_F(ScriptExecution, ASecondExecutionWhileTheFirstRunsIsRefused)
{
    channel.holdScriptAnswers = true;
    executor.Execute(script, "while(true){}");
    bool ok = true;
    executor.Execute(script, "2", [&](const QString&, bool success) { ok = success; });
    EXPECT_FALSE(ok);
    EXPECT_EQ(channel.scriptRequests.size(), 1u);
    EXPECT_EQ(console.lineCount(), 3);
    EXPECT_TRUE(console.lines().last().startsWith("busy:"));
}

TEST_F(ScriptExecution, AnExecutionWithoutAnswerIsReportedAsStillRunning)
{
    channel.holdScriptAnswers = true;
    executor.setStillRunningDelay(0);
    executor.Execute(script, "while(true){}");
    ASSERT_TRUE(QTest::qWaitFor([&] { return console.lineCount() == 2; }));
    EXPECT_EQ(console.lines().last(), "still running: the page has not answered yet.");
    channel.heldScriptAnswers[0](value("number", "1"));
    EXPECT_EQ(console.lines().last(), "return value:1");

    executor.Execute(script, "1");
    channel.heldScriptAnswers[1](value("number", "1"));
    QCoreApplication::processEvents();
    EXPECT_EQ(console.lineCount(), 7) << "an answered execution is not reported as running";
}

TEST_F(ScriptExecution, AnswersAfterTheTabMovedOnAreDropped)
{
    channel.holdScriptAnswers = true;
    bool called = false;
    executor.Execute(script, "1", [&](const QString&, bool) { called = true; });
    executor.GetVariableValue(script, "count", [&](const QString&, bool) { called = true; });
    executor.Invalidate();
    EXPECT_FALSE(executor.Busy());
    for (auto& answer : channel.heldScriptAnswers)
        answer(value("number", "1"));
    EXPECT_FALSE(called);
    EXPECT_EQ(console.lines(), QStringList({ QString(60, '-') }));
}

// What is assigned and read back is checked on the real page.
TEST_F(ScriptExecution, SettingAVariableNeverRunsANameAsCodeNorTouchesAnAbsentGlobal)
{
    executor.SetVariableValue(script, "a;alert(1)", "1");
    EXPECT_TRUE(channel.scriptRequests.empty()) << "a name that is not an identifier never becomes code";

    channel.scriptAnswer = value("absent");
    executor.SetVariableValue(script, "count", "2");
    EXPECT_EQ(channel.scriptRequests.size(), 1u) << "an absent global is left alone";
    EXPECT_TRUE(console.lines().isEmpty()) << "variables do not write to the console";
}

TEST_F(ScriptExecution, ReadingVariablesFillsTheListAndAFailureIsLogged)
{
    channel.scriptAnswer = value("object", "[object Object]");
    bool done = false;
    executor.RefreshVariables(script, [&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_EQ(script->Variables(), QStringList({ "count=@Object:[object Object]", "obj=@Object:[object Object]" }));

    channel.scriptAnswer = value("absent");
    executor.RefreshVariables(script);
    EXPECT_EQ(script->Variables(), QStringList({ "count=", "obj=" }));
    EXPECT_TRUE(LoggedErrors().isEmpty());

    channel.scriptAnswer = thrown("getter threw");
    executor.RefreshVariables(script);
    EXPECT_EQ(LoggedErrors(), QStringList({ "JavaScript 変数の値取得が失敗しました。\nvar name: count",
                                      "JavaScript 変数の値取得が失敗しました。\nvar name: obj" }));
}

}
