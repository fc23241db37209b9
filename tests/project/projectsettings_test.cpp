#include "core/prompter.h"
#include "crypto/passwordcrypt.h"
#include "core/projectdocument.h"
#include "project/projectsettings.h"

#include "support/scriptedprompter.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

QStringList childNames(pugi::xml_node node)
{
    QStringList names;
    for (pugi::xml_node n : node.children())
        names << QString::fromUtf8(n.name());
    return names;
}

std::unique_ptr<TXMLProjectType> newProject(const QString& home = "/nonexistent/home")
{
    auto p = TXMLProjectType::NewProjectDocument();
    p->ApplyNewProjectValues("NewProject", home);
    return p;
}

QString tooLong(int n) { return "文字数が多すぎます\r" + QString::number(n) + " 文字以内にしてください"; }
const QString kTooShort1 = "文字数が少なすぎます\r1 文字以上にしてください";
const QString kIdentChars = "英数字とハイフン、アンダーバーのみ入力できます";

} // namespace

TEST(SettingsRules, EachFailureShowsItsMessageFocusesItsFieldAndWritesNothing)
{
    const auto expectFailure = [](const std::function<void(TProjectSettings&)>& change, const QString& message,
                                  TProjectField focus) {
        auto project = newProject();
        TProjectSettings s = LoadProjectSettings(*project);
        const QByteArray before = project->ProjectXmlText();
        change(s);
        TScriptedPrompter prompter;
        EXPECT_EQ(ConfirmProjectSettings(s, *project, prompter), std::optional(focus));
        EXPECT_EQ(prompter.messages(), QStringList({ message }));
        ASSERT_FALSE(prompter.asked.empty()) << "no message box was shown";
        EXPECT_EQ(prompter.asked.front().caption, QString()); // a plain message box
        EXPECT_EQ(project->ProjectXmlText(), before);
    };
    using F = TProjectField;
    using S = TProjectSettings;
    const struct {
        F focus;
        QString S::*field;
        QString value;
        QString message;
        int screenIdentify = 1;
    } rows[] = {
        { F::Name, &S::name, "", kTooShort1 },
        { F::Name, &S::name, QString(256, 'n'), tooLong(255) },
        { F::Name, &S::name, "a:b", "「プロジェクト名」には、「\\ / : , ; * ? \" < > |」以外が入力できます" },
        { F::RootDirectory, &S::rootDirectory, "", kTooShort1 },
        { F::RootDirectory, &S::rootDirectory, "   ", kTooShort1 },
        { F::RootDirectory, &S::rootDirectory, "/" + QString(1024, 'd'), tooLong(1024) },
        { F::RootDirectory, &S::rootDirectory, "/tmp/a*b",
          "「データ保存ディレクトリ」には、「\\ , ; * ? \" < > |」以外が入力できます" },
        { F::HomePage, &S::homePage, "http://a b/", "「ホームページ」には、空白以外が入力できます" },
        { F::HomePage, &S::homePage, QString(1025, 'h'), tooLong(1024) },
        { F::URLDirectoryName, &S::urlDirectoryNameTarget, "1,2,x", "「対象階層」には、数字とカンマのみ入力できます" },
        { F::URLDirectoryName, &S::urlDirectoryNameTarget, QString(256, '1'), tooLong(255) },
        { F::URLQueryParameter, &S::urlQueryParameter, QString(256, 'q'), tooLong(255) },
        { F::URLQueryParameter, &S::urlQueryParameter, "a.b", "「パラメータ名」には、" + kIdentChars },
        { F::HiddenName, &S::hiddenName, "", kTooShort1, 2 },
        { F::HiddenName, &S::hiddenName, QString(256, 'h'), tooLong(255), 2 },
        { F::HiddenName, &S::hiddenName, "s id", "「name 値」には、" + kIdentChars, 2 },
        { F::IDName, &S::idName, "", kTooShort1, 3 },
        { F::IDName, &S::idName, QString(256, 'i'), tooLong(255), 3 },
        { F::IDName, &S::idName, "日本", "「id 値」には、" + kIdentChars, 3 },
        { F::ProxyAddress, &S::proxyAddress, "1234567890123456", tooLong(15) }, // checked even without a proxy
        { F::ProxyAddress, &S::proxyAddress, "10.0.0.a", "「プロキシ アドレス」には、数字とピリオドのみ入力できます" },
        { F::ProxyPort, &S::proxyPort, "80800", tooLong(4) },
        { F::ProxyPort, &S::proxyPort, "8o", "「プロキシ ポート」には、数字のみ入力できます" },
        { F::CaptureMarginWidth, &S::captureMarginWidth, "", kTooShort1 },
        { F::CaptureMarginHeight, &S::captureMarginHeight, "", kTooShort1 },
        { F::CaptureMarginWidth, &S::captureMarginWidth, "12345", tooLong(4) },
        { F::CaptureMarginHeight, &S::captureMarginHeight, "10000", tooLong(4) },
        { F::CaptureMarginWidth, &S::captureMarginWidth, "-1", "「キャプチャ 余白」には、数字のみ入力できます" },
        { F::EncryptKey, &S::encryptKey, "abc1234", "文字数が少なすぎます\r8 文字以上にしてください" },
        { F::EncryptKey, &S::encryptKey, "abcdefgh123456789", tooLong(16) },
        { F::EncryptKey, &S::encryptKey, "abcd_1234", "「暗号化キー」には、英数字のみ入力できます" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows) << ": " << row.value.left(20).toStdString());
        expectFailure([&row](S& s) { s.*row.field = row.value; s.screenIdentify = row.screenIdentify; }, row.message,
                      row.focus);
    }
    SCOPED_TRACE("the first failure wins");
    expectFailure([](S& s) { s.name = ""; s.proxyPort = "x"; }, kTooShort1, F::Name);
}

TEST(SettingsRules, LengthCountsCharacters)
{
    EXPECT_EQ(CheckField(QString(255, QChar(0x65E5)), TFieldRule { 1, 255, {}, {}, false, "bad" }), std::nullopt);
    EXPECT_EQ(CheckField(QString::fromUcs4(U"\U0001F600\U0001F600"), TFieldRule { 0, 2, {}, {}, false, "bad" }),
              std::nullopt);
}

TEST(SettingsWrites, EnteredTextsAreWrittenInFileOrder)
{
    auto project = newProject();
    TProjectSettings s = LoadProjectSettings(*project);
    s.homePage = "  http://x/  "; // blanks at the ends pass and are kept
    s.rootDirectory = " /nonexistent/data "; // ...but not around a folder, which they would change
    s.screenIdentify = 1;
    s.idName = "not valid!"; // checked only for the id rule
    s.urlQueryParameter = "sid,page";
    s.proxyServer = 2;
    s.proxyAddress = "10.0.0.1";
    s.proxyPort = "8080";
    s.outputWarning = true;
    TScriptedPrompter prompter;
    ASSERT_EQ(ConfirmProjectSettings(s, *project, prompter), std::nullopt);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(QStringList({ project->HomePage(), project->RootDirectory(), project->ScreenIdentifyID(),
                            QString::number(project->ProxyServer()), QString::number(project->OutputWarning()),
                            project->EncryptKey() }),
              QStringList({ "  http://x/  ", "/nonexistent/data", "not valid!", "2", "1", "" }));
    EXPECT_EQ(childNames(project->root()),
              QStringList({ "Name", "RootDirectory", "HomePage", "ScreenIdentify", "ScreenIdentifyURL", "ViewAlert",
                            "ProxyServer", "CaptureMarginWidth", "CaptureMarginHeight", "CaptureFileType",
                            "OutputStatusText", "OutputWarning", "ScreenIdentifyHidden", "ScreenIdentifyID",
                            "EncryptKey", "HistorySaveNumber", "ProxyServerAddress", "ProxyServerPort" }));
    EXPECT_EQ(childNames(project->root().child("ScreenIdentifyURL")),
              QStringList({ "ProtocolType", "DomainName", "PortNumber", "DirectoryName", "DirectoryNameTarget",
                            "FileName", "FileExtension", "QueryParameter" }));
}

TEST(SettingsWrites, DamagedIntegerElementsLoadAsNewProjectValues)
{
    auto project = TXMLProjectType::FromXmlText(
        "<Project><Name>p</Name><ScreenIdentify>x</ScreenIdentify><ViewAlert/></Project>");
    const TProjectSettings s = LoadProjectSettings(*project);
    EXPECT_EQ(s.screenIdentify, 1);
    EXPECT_TRUE(s.viewAlert);
    EXPECT_TRUE(s.urlDomainName);
    EXPECT_FALSE(s.urlProtocolType);
}

TEST(SettingsDirectory, AnExistingDirectoryIsQuestionedOnlyWhenSomethingChanged)
{
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkdir("NewProject"));
    auto project = newProject(home.path());
    TProjectSettings s = LoadProjectSettings(*project);
    TScriptedPrompter prompter;
    EXPECT_EQ(ConfirmProjectSettings(s, *project, prompter), std::nullopt);
    EXPECT_TRUE(prompter.asked.empty());

    s.name = "Renamed";
    prompter.answers = { TPrompter::No };
    EXPECT_EQ(ConfirmProjectSettings(s, *project, prompter), std::optional(TProjectField::RootDirectory));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, QString("「データ保存ディレクトリ」のディレクトリは存在しますがよろしいですか"));
    EXPECT_EQ(prompter.asked[0].caption, QString("確認"));
    EXPECT_EQ(prompter.asked[0].icon, TPrompter::Icon::Warning);
    EXPECT_EQ(project->Name(), QString("NewProject"));

    prompter.answers = { TPrompter::Yes };
    EXPECT_EQ(ConfirmProjectSettings(s, *project, prompter), std::nullopt);
    EXPECT_EQ(project->Name(), QString("Renamed"));
}

TEST(SettingsMasterPassword, ConfirmationAndOverwrite)
{
    auto project = newProject();
    TProjectSettings s = LoadProjectSettings(*project);
    s.encryptKey = "Secret123";
    TScriptedPrompter prompter;
    const auto confirm = [&](std::optional<QString> typed, int answer = TPrompter::Yes) {
        prompter.clear();
        prompter.passwords = { typed };
        prompter.answers = { answer };
        return ConfirmProjectSettings(s, *project, prompter);
    };

    EXPECT_EQ(confirm(QString("Secret124")), std::optional(TProjectField::EncryptKey));
    EXPECT_EQ(prompter.messages(), QStringList({ "「暗号化キー」が「確認入力」と一致しません" }));
    EXPECT_EQ(prompter.asked[0].caption, QString("確認入力"));
    EXPECT_EQ(confirm(std::nullopt), std::optional(TProjectField::EncryptKey)); // cancelled: never matches
    EXPECT_EQ(project->EncryptKey(), QString());
    EXPECT_EQ(confirm(QString("Secret123")), std::nullopt);
    EXPECT_EQ(project->EncryptKey(), Md5Hex("Secret123"));

    // A key is set already: Cancel keeps the dialog, No keeps the key, Yes replaces it.
    s.encryptKey = "Other9999";
    s.homePage = "http://after/";
    EXPECT_EQ(confirm(QString("Other9999"), TPrompter::Cancel), std::optional(TProjectField::EncryptKey));
    EXPECT_EQ(prompter.messages(), QStringList({ "設定済みのマスターパスワードに上書きしますか？\r"
                                                 "（今までに保存してあるパスワードを読み込めなくなります）" }));
    EXPECT_EQ(project->HomePage(), QString("about:blank"));
    EXPECT_EQ(confirm(QString("Other9999"), TPrompter::No), std::nullopt);
    EXPECT_EQ(project->EncryptKey(), Md5Hex("Secret123"));
    EXPECT_EQ(project->HomePage(), QString("http://after/"));
    EXPECT_EQ(confirm(QString("Other9999"), TPrompter::Yes), std::nullopt);
    EXPECT_EQ(project->EncryptKey(), Md5Hex("Other9999"));
}
