#include "enginetab.h"

#include "core/textcodec.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "operationpages.h"

namespace {

// A JUnit report as lines: "tests=T failures=F" of its suite, then each case's name with
// " ! " and its failure's message after it when it failed; the failures' texts go to `texts`.
// Empty when the file cannot be read or is not well-formed.
QStringList ReadJUnit(const QString& path, QString* texts)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto attribute = [&](const char* name) { return xml.attributes().value(QLatin1String(name)).toString(); };
        if (xml.name() == QLatin1String("testsuite")) {
            lines << "tests=" + attribute("tests") + " failures=" + attribute("failures");
        } else if (xml.name() == QLatin1String("testcase")) {
            lines << attribute("name");
        } else if (xml.name() == QLatin1String("failure") && lines.size() > 1) {
            lines.last() += " ! " + attribute("message");
            *texts += xml.readElementText();
        }
    }
    return xml.hasError() ? QStringList() : lines;
}

// A project of the operation pages with every scenario's operations in one list file,
// written by hand in the stored form.
class OperationCli : public ::testing::Test {
protected:
    OperationCli()
    {
        EXPECT_TRUE(server.start());
        AddOperationPages(server);
        QString data;
        projectFile = WriteNewProject(dir.path(), "OPS", [&](TXMLProjectType& project) {
            ConfigureOperationProject(project);
            data = project.RootDirectory();
        });
        WriteOperationFormData(data);
        QString list;
        for (const TOperationScenario& scenario : OperationScenarios()) {
            for (const auto& [id, text] : scenario.operations) {
                list += QString::number(id) + QStringLiteral("\r\n");
                names.insert(id, text.section(QStringLiteral("OperationName="), 1).section('\n', 0, 0));
                WriteOperationFile(data + QStringLiteral("/OperationData/%1.ini").arg(id),
                                   textcodec::toCp932(OperationText(server, id, text)));
            }
        }
        WriteOperationFile(data + QStringLiteral("/OperationData/OperationList.txt"), textcodec::toCp932(list));
    }

    TCliRun run(const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("CALVERDINE_HOME"), dir.filePath("home"));
        return RunCli(QStringList { "run" } + arguments, environment);
    }

    THttpServer server;
    QTemporaryDir dir;
    QString projectFile;
    QHash<int, QString> names;
};

} // namespace

TEST_F(OperationCli, AllOperationsRunWithAReportThatNamesEachFailure)
{
    const QString junit = dir.filePath("report.xml");
    const QString captures = dir.filePath("captures");
    const TCliRun result = run({ "--project", projectFile, "--junit", junit, "--capture-failures", captures, "--all" });
    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();

    // The log lines as the log page shows them: tick count, ": ", text.
    const QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
    for (const QString text : { "自動操作名: menu 終了", "ErrorCode: 21 (値が一致しません)", "orphan の事前条件の自動操作がありません: 999" })
        EXPECT_TRUE(lines.contains(QRegularExpression("^-?\\d+: " + QRegularExpression::escape(text) + "$"))) << text.toStdString();

    // One suite of every operation, each run on its own; each scenario's last operation
    // passes or fails with the last line of its log as the scenario says.
    QString texts;
    const QStringList report = ReadJUnit(junit, &texts);
    ASSERT_FALSE(report.isEmpty());
    EXPECT_EQ(report.size(), names.size() + 1);
    EXPECT_EQ(report.first(), QStringLiteral("tests=%1 failures=%2").arg(names.size()).arg(report.filter(" ! ").size()));
    QStringList ran, wanted;
    for (const TOperationScenario& scenario : OperationScenarios()) {
        const QString name = QStringLiteral("%1 %2").arg(scenario.runId).arg(names.value(scenario.runId));
        for (const QString& line : report) {
            if (line == name || line.startsWith(name + " ! "))
                ran << line;
        }
        wanted << name + (scenario.passes ? QString() : " ! " + ExpandAddress(server, scenario.lines.last()));
    }
    EXPECT_EQ(ran, wanted);
    EXPECT_TRUE(texts.contains(QStringLiteral("操作定義 NG: フォーム値比較 \u2026 pear"))) << texts.toStdString();

    // The failed run that ended on a page kept a picture of it.
    QFile picture(captures + "/31.png");
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    EXPECT_TRUE(picture.read(8).startsWith("\x89PNG"));
    EXPECT_FALSE(QFile::exists(captures + "/13.png"));
}

TEST_F(OperationCli, ShardsAndChosenOperations)
{
    const QString junit = dir.filePath("shard.xml");
    // The 2nd of every 3 of the chosen list: 21 and 31.
    const TCliRun shard = run({ "--project", projectFile, "--junit", junit, "--shard", "2/3", "13", "21", "22", "23", "31" });
    EXPECT_EQ(shard.exitCode, 1) << shard.err.toStdString();
    QString texts;
    QStringList ran = ReadJUnit(junit, &texts).mid(1);
    EXPECT_EQ(ran.replaceInStrings(QRegularExpression(" ! .*"), QString()), QStringList({ "21 ask", "31 pear" }));

    // Each scenario's last operation, run on its own, prints the scenario's log lines.
    QStringList ids;
    QStringList expected;
    for (const TOperationScenario& scenario : OperationScenarios()) {
        ids << QString::number(scenario.runId);
        expected << ExpandLines(server, scenario.lines);
    }
    const TCliRun chosen = run(QStringList { "--project", projectFile, "--interval", "0" } + ids);
    EXPECT_EQ(chosen.exitCode, 1) << chosen.err.toStdString();
    EXPECT_EQ(chosen.out.split('\n', Qt::SkipEmptyParts).replaceInStrings(QRegularExpression("^-?\\d+: "), QString()), expected);
    // The data input reached the page: the submitted form carried it.
    bool submitted = false;
    for (const THttpServer::Request& request : server.requests())
        submitted = submitted || (request.path == "/op/menu.html" && request.formValue("user") == "alice");
    EXPECT_TRUE(submitted);
}

TEST_F(OperationCli, UsageAndProjectErrorsExitWithTwo)
{
    struct Row {
        const char* name;
        QStringList arguments;
        QString message;
    };
    const QString emptyProject = WriteNewProject(dir.filePath("empty"), "E");
    // An operation file that cannot be read (a folder stands in its place).
    const QString brokenProject = WriteNewProject(dir.filePath("broken"), "B", [](TXMLProjectType& project) {
        WriteOperationFile(project.RootDirectory() + "/OperationData/OperationList.txt", "5\r\n");
        QDir().mkpath(project.RootDirectory() + "/OperationData/5.ini");
    });
    const Row rows[] = {
        { "nothing chosen", { "--project", projectFile }, "usage:" },
        { "both --all and IDs", { "--project", projectFile, "--all", "13" }, "usage:" },
        { "shard number zero", { "--project", projectFile, "--shard", "0/3", "--all" }, "usage:" },
        { "shard beyond its count", { "--project", projectFile, "--shard", "4/3", "--all" }, "usage:" },
        { "negative interval", { "--project", projectFile, "--interval", "-5", "--all" }, "usage:" },
        { "unknown option", { "--project", projectFile, "--fast", "--all" }, "usage:" },
        { "no project", { "--all" }, "usage:" },
        { "an ID not in the list", { "--project", projectFile, "13", "777" }, "project error: no operation 777" },
        { "a missing project file", { "--project", dir.filePath("none.xml"), "--all" }, "project error:" },
        { "a project without operations", { "--project", emptyProject, "--all" }, "project error: no operation list" },
        { "an operation file that cannot be read", { "--project", brokenProject, "--all" }, "file load error: " },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TCliRun result = run(row.arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.err.contains(row.message)) << result.err.toStdString();
        EXPECT_FALSE(result.out.contains(QStringLiteral("自動操作名"))) << "nothing ran";
    }
}
