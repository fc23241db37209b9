#include "support/testhome.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

// The shipped program, started as a user would start it (offscreen, unattended).
namespace {

struct ProcessRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProcessRun runToEnd(const QStringList& arguments)
{
    QProcess p;
    p.start(QStringLiteral(CALVERDINE_BINARY), arguments);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
             QString::fromUtf8(p.readAllStandardError()) };
}

} // namespace

TEST(StartupProcess, VersionHelpAndBadArguments)
{
    const ProcessRun version = runToEnd({ "--version" });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("Calverdine ")) << version.out.toStdString();
    const ProcessRun help = runToEnd({ "--help" });
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--home DIR"));
    const ProcessRun bad = runToEnd({ "--no-such-option" });
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("unknown option: --no-such-option"));
}

// What the first run creates is checked in detail by the start-up unit tests.
TEST(StartupProcess, FirstRunCreatesTheHomeAndASecondInstanceOnlySaysSo)
{
    QTemporaryDir base;
    const QString home = base.filePath("home");
    QProcess first;
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Without a screen nobody could answer the first-run question: the run is unattended.
    first.start(QStringLiteral(CALVERDINE_BINARY), { "--home", home });
    ASSERT_TRUE(first.waitForStarted());
    const auto started = [&] {
        return QFileInfo::exists(home + "/Calverdine.lock") && QFileInfo::exists(home + "/DefaultProject.xml");
    };
    for (QDeadlineTimer deadline(60000); !started() && !deadline.hasExpired();)
        QThread::msleep(50);
    ASSERT_TRUE(started());
    const QByteArray settings = FileBytes(home + "/Calverdine.ini");
    EXPECT_EQ(settings, ("[Global]\r\nDefaultProject=" + home + "/DefaultProject.xml\r\n").toUtf8());
    EXPECT_TRUE(QFileInfo(home + "/DefaultProject/FormData").isDir());

    const QByteArray projectFile = FileBytes(home + "/DefaultProject.xml");
    const ProcessRun second = runToEnd({ "--home", home, "--unattended" });
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.err.split('\n').filter(QRegularExpression("^message: ")),
              QStringList({ "message: すでに起動しています" }));
    EXPECT_EQ(FileBytes(home + "/Calverdine.ini"), settings);
    EXPECT_EQ(FileBytes(home + "/DefaultProject.xml"), projectFile);
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();
}
