#include "enginetab.h"

namespace {

const QString kSeparator(60, QLatin1Char('-'));

struct TCliResult {
    int exitCode = -1;
    QStringList out;
    QString err;
};

class ScriptCli : public ::testing::Test {
protected:
    ScriptCli()
    {
        EXPECT_TRUE(server.start());
        server.addPage(QStringLiteral("/s/page.html"),
                       "<html><body><script>var obj = { a: 1 }; var text = 'hi'; var answer = 'top';\n"
                       "function f(a, b) { return typeof b; }</script>"
                       "<iframe name=inner src=frame.html></iframe></body></html>");
        server.addPage(QStringLiteral("/s/frame.html"), "<html><body><script>var answer = 41;</script></body></html>");
    }

    TCliResult run(const QStringList& arguments)
    {
        const TCliRun run = RunCli(QStringList { "script" } + arguments);
        return { run.exitCode, run.out.split('\n', Qt::SkipEmptyParts), run.err };
    }

    THttpServer server;
};

TEST_F(ScriptCli, StepsRunInOrderAndPrintTheTranscript)
{
    const TCliResult r = run({ server.urlText("/s/page.html"), "--eval", "1+1", "--eval", "'abc'", "--get", "obj",
                               "--set", "text=", "--set", "text='a' + 2", "--call", "f", "1", "" });
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringList({ kSeparator, "code text:1+1", "return value:2", kSeparator, "code text:'abc'",
                                   "return value:\"abc\"", "obj=@Object:[object Object]", "text=undefined",
                                   "text=\"a2\"", kSeparator, "function name:f", "parameter 1:1",
                                   "parameter 2:undefined", "execute code:f(1, undefined)",
                                   "return value:\"undefined\"" }));
}

TEST_F(ScriptCli, AFailedStepOrAForeignPageExitsWithOneAndUsageErrorsWithTwo)
{
    const TCliResult failed = run({ server.urlText("/s/page.html"), "--set", "obj=@Object:[object Object]",
                                    "--eval", "missing()", "--get", "obj" });
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, QStringList({ "obj=@Object:[object Object]", kSeparator, "obj=@Object:[object Object]" }));
    EXPECT_TRUE(failed.err.contains("JavaScript コードの実行が失敗しました。\ncode text: missing()")) << failed.err.toStdString();

    // A frame's code, variables and calls use the frame's own globals, not the top page's.
    const TCliResult frame = run({ "--frame", "//inner", server.urlText("/s/page.html"), "--eval", "answer + 1",
                                   "--set", "answer=answer * 2", "--get", "answer" });
    EXPECT_EQ(frame.exitCode, 0) << frame.err.toStdString();
    EXPECT_EQ(frame.out, QStringList({ kSeparator, "code text:answer + 1", "return value:42", "answer=82", "answer=82" }));

    const TCliResult remote = run({ server.urlText("/s/page.html", true), "--eval", "1", "--get", "text" });
    EXPECT_EQ(remote.exitCode, 1);
    EXPECT_EQ(remote.out, QStringList({ kSeparator, "unexecutable domain.", "text=\"hi\"" }));

    EXPECT_EQ(run({ server.urlText("/s/page.html"), "--get", "a;b" }).exitCode, 2);
    EXPECT_EQ(run({ "--eval", "1" }).exitCode, 2);
}

}
