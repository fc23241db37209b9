#include "enginetab.h"

#include "core/textcodec.h"
#include "crypto/passwordcrypt.h"
#include "formdata/formvaluelist.h"
#include "support/recordingproxy.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QByteArray kPage = "<html><body><form name=login>"
                         "<input type=text name=user value=alice>"
                         "<input type=hidden name=token value=T0K3N>"
                         "<select name=lang><option value=ja>JA<option value=en selected>EN</select>"
                         "<textarea name=note>a=b</textarea>"
                         "</form></body></html>";

class FormDataCli : public ::testing::Test {
protected:
    FormDataCli()
    {
        EXPECT_TRUE(server.start());
        server.addPage(QStringLiteral("/app/login.html"), kPage);
        url = server.urlText(QStringLiteral("/app/login.html"));
        projectFile = writeProject({});
        formData = dir.filePath("P/FormData");
        QDir().mkpath(formData);
    }
    // The project "P" of the test, written again with `adjust` applied.
    QString writeProject(const std::function<void(TXMLProjectType&)>& adjust)
    {
        const QString path = WriteNewProject(dir.path(), "P", adjust);
        EXPECT_FALSE(path.isEmpty());
        return path;
    }
    static void write(const QString& path, const QByteArray& bytes) { ASSERT_TRUE(WriteFileBytes(path, bytes)); }
    static QByteArray read(const QString& path) { return FileBytes(path); }
    // The command on the test's page (or another), under that master password if any.
    TCliRun run(const QString& command, const QStringList& options, const QString& master = {}, const QString& page = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!master.isEmpty())
            environment.insert(QStringLiteral("CALVERDINE_MASTER_PASSWORD"), master);
        return RunCli(QStringList { command, "--project", projectFile } + options + QStringList { page.isEmpty() ? url : page },
                      environment);
    }

    THttpServer server;
    QTemporaryDir dir;
    QString url;
    QString projectFile;
    QString formData;
};

}

TEST_F(FormDataCli, CommandsWorkOnHandWrittenFilesAndWriteTheStoredForm)
{
    // save: a new data set of the page's screen, written in the stored form.
    const TCliRun saved = run("save", { "--name", "初期値" });
    ASSERT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    const QString id = saved.out.trimmed();
    ASSERT_TRUE(QRegularExpression("^\\d+$").match(id).hasMatch()) << saved.out.toStdString();
    const QStringList indexes = QDir(formData).entryList({ "*.ini" }, QDir::Files | QDir::Hidden);
    ASSERT_EQ(indexes.size(), 1);
    const QString index = formData + "/" + indexes.first();
    EXPECT_EQ(read(index), textcodec::toCp932("[Info]\r\n" + id + "=初期値\r\n"));
    const QByteArray data = read(formData + "/" + id + ".xml");
    EXPECT_EQ(data, QByteArray("<FormData>"
                               "<FormDataItem key=\"//login/user\" atttype=\"text\">alice</FormDataItem>"
                               "<FormDataItem key=\"//login/lang\" atttype=\"select\">en</FormDataItem>"
                               "<FormDataItem key=\"//login/note\" atttype=\"textarea\">a=b</FormDataItem>"
                               "</FormData>"));

    // Data sets written by hand: a CP932 index line and UTF-8 XML without declaration.
    write(index, read(index) + textcodec::toCp932("77=手書き\r\n78=違う値\r\n79=壊れた\r\n"));
    write(formData + "/77.xml", "<FormData><FormDataItem key=\"//login/user\">alice</FormDataItem>"
                                "<FormDataItem key=\"//login/note\">a=b</FormDataItem></FormData>");
    write(formData + "/78.xml", "<FormData><FormDataItem key=\"//login/user\">zed</FormDataItem>"
                                "<FormDataItem key=\"//login/lang\">JA</FormDataItem></FormData>");
    write(formData + "/79.xml", "<FormData><FormDataItem key=\"//login/user\">");

    const TCliRun equal = run("compare", { "--data", "77" });
    EXPECT_EQ(equal.exitCode, 0) << equal.out.toStdString() << equal.err.toStdString();
    QStringList lines = equal.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5 + 2 + 2);
    EXPECT_EQ(lines[2], QStringLiteral("データ名: 手書き"));
    EXPECT_EQ(lines[6], QStringLiteral("2 [比較結果 OK]: [//login/note] -> データ値[a=b] -> フォーム値[a=b]"));
    EXPECT_EQ(lines.last(), QStringLiteral(" -> OK"));

    const TCliRun differs = run("compare", { "--data", "78" });
    EXPECT_EQ(differs.exitCode, 1);
    lines = differs.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5 + 2 + 2);
    EXPECT_EQ(lines[5], QStringLiteral("1 [比較結果 NG]: [//login/user] -> データ値[zed] -> フォーム値[alice]"));
    EXPECT_EQ(lines[6], QStringLiteral("2 [比較結果 NG]: [//login/lang] -> データ値[JA] -> フォーム値[en]"));
    EXPECT_EQ(lines.last(), QStringLiteral(" -> NG"));

    // input: the page shows the set afterwards (a single selection matches "JA" to "ja").
    const TCliRun input = run("input", { "--data", "78" });
    EXPECT_EQ(input.exitCode, 0) << input.err.toStdString();
    EXPECT_EQ(input.out, QStringLiteral("//login/user=zed\n//login/lang=ja\n"));

    const TCliRun broken = run("compare", { "--data", "79" });
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_EQ(broken.err.count(QStringLiteral("ファイルが開けませんでした: ") + formData + "/79.xml"), 1)
        << "reported once, with its file: " << broken.err.toStdString();

    // A listed set without its data file (a save stopped half-way by an older version).
    write(index, read(index) + textcodec::toCp932("80=値なし\r\n"));
    const TCliRun noFile = run("compare", { "--data", "80" });
    EXPECT_EQ(noFile.exitCode, 2);
    EXPECT_FALSE(noFile.out.contains(" -> OK"));
    EXPECT_TRUE(noFile.err.contains(formData + "/80.xml: No such file or directory")) << noFile.err.toStdString();

    const TCliRun missing = run("compare", { "--data", "999" });
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("データは削除されています"))) << missing.err.toStdString();

    // Nothing was rewritten by the reading commands.
    EXPECT_EQ(read(formData + "/77.xml"), QByteArray("<FormData><FormDataItem key=\"//login/user\">alice</FormDataItem>"
                                                     "<FormDataItem key=\"//login/note\">a=b</FormDataItem></FormData>"));
}

TEST_F(FormDataCli, HiddenInputsAreSavedOnlyWhenAsked)
{
    const TCliRun saved = run("save", { "--hidden" });
    ASSERT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    EXPECT_TRUE(read(formData + "/" + saved.out.trimmed() + ".xml").contains(
        "<FormDataItem key=\"//login/token\" atttype=\"hidden\">T0K3N</FormDataItem>"));
    EXPECT_EQ(run("save", { "--data", "1" }).exitCode, 2); // not an option of save
}

TEST_F(FormDataCli, PasswordsAreStoredEncryptedAndCompareUnderTheMasterPassword)
{
    writeProject([](TXMLProjectType& project) { project.SetEncryptKey(Md5Hex(QStringLiteral("master12"))); });
    QByteArray password = "s3cret-pw";
    server.addHandler(QStringLiteral("/app/pass.html"), [&password](const THttpServer::Request&) {
        return THttpServer::Response::html("<html><body><form name=login><input type=text name=user value=alice>"
                                           "<input type=password name=pass value=\"" + password + "\"></form></body></html>");
    });
    url = server.urlText(QStringLiteral("/app/pass.html"));

    const TCliRun saved = run("save", {}, "master12");
    ASSERT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    const QString id = saved.out.trimmed();
    const QByteArray data = read(formData + "/" + id + ".xml");
    EXPECT_TRUE(data.contains("<FormDataItem key=\"//login/pass\" atttype=\"password\">")) << data.toStdString();
    EXPECT_FALSE(data.contains(password));

    // Each reading encrypts with a new salt: an unchanged password is equal all the same.
    const TCliRun same = run("compare", { "--data", id }, "master12");
    EXPECT_EQ(same.exitCode, 0) << same.out.toStdString() << same.err.toStdString();
    EXPECT_FALSE(same.out.contains(QString::fromLatin1(password)));

    password = "changed";
    const TCliRun changed = run("compare", { "--data", id }, "master12");
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_EQ(changed.out.count(QStringLiteral("[比較結果 NG]")), 1) << changed.out.toStdString();
    EXPECT_TRUE(changed.out.contains(QStringLiteral("2 [比較結果 NG]: [//login/pass] -> データ値[")));
    const TCliRun input = run("input", { "--data", id }, "master12");
    EXPECT_EQ(input.exitCode, 0) << input.err.toStdString();
    EXPECT_FALSE(input.out.contains("s3cret-pw") || input.out.contains("changed")) << input.out.toStdString();

    // Under another master password the stored value no longer decrypts to the field's.
    password = "s3cret-pw";
    EXPECT_EQ(run("compare", { "--data", id }, "wrong-master").exitCode, 1);
}

TEST_F(FormDataCli, AHeadlessRunGoesThroughTheProjectsProxyAsTheWindowWould)
{
    TRecordingProxy proxy;
    ASSERT_TRUE(proxy.start());
    proxy.setUpstream(QHostAddress::LocalHost, server.port());
    struct Row { const char* name; int proxyServer; bool proxied; };
    for (const Row& row : { Row { "the project's proxy", 2, true }, Row { "no proxy", 1, false } }) {
        writeProject([&](TXMLProjectType& project) {
            project.SetProxyServer(row.proxyServer);
            project.SetProxyServerAddress(QStringLiteral("127.0.0.1"));
            project.SetProxyServerPort(QString::number(proxy.port()));
        });
        const qsizetype before = proxy.requests().size();
        const TCliRun saved = run("save", { "--name", row.name });
        ASSERT_EQ(saved.exitCode, 0) << row.name << saved.err.toStdString();
        EXPECT_EQ(proxy.requests().size() > before, row.proxied) << row.name << proxy.requests().join('\n').toStdString();
        if (row.proxied) {
            EXPECT_TRUE(proxy.requests().contains("GET " + url)) << row.name;
        }
    }
}

// A page may hold halves of surrogate pairs standing alone and NUL in its fields: a saved set
// keeps them exactly, so it compares equal to the page it was saved from.
TEST_F(FormDataCli, ValuesWithLoneSurrogateHalvesAndNulSurviveASaveAndACompare)
{
    server.addPage(QStringLiteral("/app/halves.html"),
                   "<html><body><form name=f><input name=a><textarea name=b></textarea></form><script>"
                   "var e = document.forms[0].elements; e[0].value = 'x\\ud800y'; e[1].value = '\\udc00\\u0000z';"
                   "</script></body></html>");
    const QString page = server.urlText(QStringLiteral("/app/halves.html"));
    const TCliRun saved = run("save", {}, {}, page);
    ASSERT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    const QByteArray data = read(formData + "/" + saved.out.trimmed() + ".xml");
    EXPECT_TRUE(data.contains("key=\"//f/a\" atttype=\"text\" escaped=\"1\">x\\uD800y<")) << data.toStdString();
    EXPECT_TRUE(data.contains("key=\"//f/b\" atttype=\"textarea\" escaped=\"1\">\\uDC00\\u0000z<")) << data.toStdString();

    const TCliRun compared = run("compare", { "--data", saved.out.trimmed() }, {}, page);
    EXPECT_EQ(compared.exitCode, 0) << compared.out.toStdString() << compared.err.toStdString();
    EXPECT_TRUE(compared.out.endsWith(" -> OK\n")) << compared.out.toStdString();
}
