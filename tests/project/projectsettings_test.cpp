#include "core/prompter.h"
#include "formdata/passwordcrypt.h"
#include "project/projectdocument.h"
#include "project/projectsettings.h"

#include "support/scriptedprompter.h"

#include <QDir>
#include <QRegularExpression>
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

const QString kTooShort1 = "文字数が少なすぎます\r1 文字以上にしてください";
const QString kIdentChars = "英数字とハイフン、アンダーバーのみ入力できます";

} // namespace

struct RuleCase {
    const char* label;
    std::function<void(TProjectSettings&)> change;
    QString message;
    TProjectField focus;
};

void PrintTo(const RuleCase& c, std::ostream* os)
{
    *os << c.label;
}

class SettingsRule : public testing::TestWithParam<RuleCase> {};

TEST_P(SettingsRule, FailsWithItsMessageAndWritesNothing)
{
    const RuleCase& c = GetParam();
    auto project = newProject();
    TProjectSettings s = LoadProjectSettings(*project);
    const QByteArray before = project->ProjectXmlText();
    c.change(s);
    TScriptedPrompter prompter;
    const std::optional<TProjectField> failed = ConfirmProjectSettings(s, *project, prompter);
    ASSERT_TRUE(failed.has_value());
    EXPECT_EQ(*failed, c.focus);
    EXPECT_EQ(prompter.messages(), QStringList({ c.message }));
    EXPECT_EQ(prompter.asked.front().caption, QString()); // a plain message box
    EXPECT_EQ(project->ProjectXmlText(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsRule,
    testing::Values(
        RuleCase { "NameEmpty", [](auto& s) { s.name = ""; }, kTooShort1, TProjectField::Name },
        RuleCase { "NameTooLong", [](auto& s) { s.name = QString(256, 'n'); },
                   "文字数が多すぎます\r255 文字以内にしてください", TProjectField::Name },
        RuleCase { "NameChars", [](auto& s) { s.name = "a:b"; },
                   "「プロジェクト名」には、「\\ / : , ; * ? \" < > |」以外が入力できます", TProjectField::Name },
        RuleCase { "DirectoryEmpty", [](auto& s) { s.rootDirectory = ""; }, kTooShort1, TProjectField::RootDirectory },
        RuleCase { "DirectoryOfBlanks", [](auto& s) { s.rootDirectory = "   "; }, kTooShort1, TProjectField::RootDirectory },
        RuleCase { "DirectoryTooLong", [](auto& s) { s.rootDirectory = "/" + QString(1024, 'd'); },
                   "文字数が多すぎます\r1024 文字以内にしてください", TProjectField::RootDirectory },
        RuleCase { "DirectoryChars", [](auto& s) { s.rootDirectory = "/tmp/a*b"; },
                   "「データ保存ディレクトリ」には、「\\ , ; * ? \" < > |」以外が入力できます", TProjectField::RootDirectory },
        RuleCase { "HomePageBlank", [](auto& s) { s.homePage = "http://a b/"; },
                   "「ホームページ」には、空白以外が入力できます", TProjectField::HomePage },
        RuleCase { "HomePageTooLong", [](auto& s) { s.homePage = QString(1025, 'h'); },
                   "文字数が多すぎます\r1024 文字以内にしてください", TProjectField::HomePage },
        RuleCase { "DirectoryLevels", [](auto& s) { s.urlDirectoryNameTarget = "1,2,x"; },
                   "「対象階層」には、数字とカンマのみ入力できます", TProjectField::URLDirectoryName },
        RuleCase { "DirectoryLevelsTooLong", [](auto& s) { s.urlDirectoryNameTarget = QString(256, '1'); },
                   "文字数が多すぎます\r255 文字以内にしてください", TProjectField::URLDirectoryName },
        RuleCase { "QueryParameterTooLong", [](auto& s) { s.urlQueryParameter = QString(256, 'q'); },
                   "文字数が多すぎます\r255 文字以内にしてください", TProjectField::URLQueryParameter },
        RuleCase { "QueryParameter", [](auto& s) { s.urlQueryParameter = "a.b"; },
                   "「パラメータ名」には、" + kIdentChars, TProjectField::URLQueryParameter },
        RuleCase { "HiddenEmpty", [](auto& s) { s.screenIdentify = 2; }, kTooShort1, TProjectField::HiddenName },
        RuleCase { "HiddenTooLong", [](auto& s) { s.screenIdentify = 2; s.hiddenName = QString(256, 'h'); },
                   "文字数が多すぎます\r255 文字以内にしてください", TProjectField::HiddenName },
        RuleCase { "HiddenChars", [](auto& s) { s.screenIdentify = 2; s.hiddenName = "s id"; },
                   "「name 値」には、" + kIdentChars, TProjectField::HiddenName },
        RuleCase { "IdEmpty", [](auto& s) { s.screenIdentify = 3; }, kTooShort1, TProjectField::IDName },
        RuleCase { "IdTooLong", [](auto& s) { s.screenIdentify = 3; s.idName = QString(256, 'i'); },
                   "文字数が多すぎます\r255 文字以内にしてください", TProjectField::IDName },
        RuleCase { "IdChars", [](auto& s) { s.screenIdentify = 3; s.idName = "日本"; },
                   "「id 値」には、" + kIdentChars, TProjectField::IDName },
        RuleCase { "ProxyAddressTooLongWithoutProxy", [](auto& s) { s.proxyAddress = "1234567890123456"; },
                   "文字数が多すぎます\r15 文字以内にしてください", TProjectField::ProxyAddress },
        RuleCase { "ProxyAddressChars", [](auto& s) { s.proxyAddress = "10.0.0.a"; },
                   "「プロキシ アドレス」には、数字とピリオドのみ入力できます", TProjectField::ProxyAddress },
        RuleCase { "ProxyPortTooLong", [](auto& s) { s.proxyPort = "80800"; },
                   "文字数が多すぎます\r4 文字以内にしてください", TProjectField::ProxyPort },
        RuleCase { "ProxyPortChars", [](auto& s) { s.proxyPort = "8o"; },
                   "「プロキシ ポート」には、数字のみ入力できます", TProjectField::ProxyPort },
        RuleCase { "MarginWidthEmpty", [](auto& s) { s.captureMarginWidth = ""; }, kTooShort1,
                   TProjectField::CaptureMarginWidth },
        RuleCase { "MarginHeightEmpty", [](auto& s) { s.captureMarginHeight = ""; }, kTooShort1,
                   TProjectField::CaptureMarginHeight },
        RuleCase { "MarginWidthTooLong", [](auto& s) { s.captureMarginWidth = "12345"; },
                   "文字数が多すぎます\r4 文字以内にしてください", TProjectField::CaptureMarginWidth },
        RuleCase { "MarginHeightTooLong", [](auto& s) { s.captureMarginHeight = "10000"; },
                   "文字数が多すぎます\r4 文字以内にしてください", TProjectField::CaptureMarginHeight },
        RuleCase { "MarginChars", [](auto& s) { s.captureMarginWidth = "-1"; },
                   "「キャプチャ 余白」には、数字のみ入力できます", TProjectField::CaptureMarginWidth },
        RuleCase { "KeyTooShort", [](auto& s) { s.encryptKey = "abc1234"; },
                   "文字数が少なすぎます\r8 文字以上にしてください", TProjectField::EncryptKey },
        RuleCase { "KeyTooLong", [](auto& s) { s.encryptKey = "abcdefgh123456789"; },
                   "文字数が多すぎます\r16 文字以内にしてください", TProjectField::EncryptKey },
        RuleCase { "KeyChars", [](auto& s) { s.encryptKey = "abcd_1234"; },
                   "「暗号化キー」には、英数字のみ入力できます", TProjectField::EncryptKey },
        RuleCase { "FirstFailureWins", [](auto& s) { s.name = ""; s.proxyPort = "x"; }, kTooShort1,
                   TProjectField::Name }),
    [](const testing::TestParamInfo<RuleCase>& info) { return std::string(info.param.label); });

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
    EXPECT_EQ(project->HomePage(), QString("  http://x/  "));
    EXPECT_EQ(project->RootDirectory(), QString("/nonexistent/data"));
    EXPECT_EQ(project->ScreenIdentifyID(), QString("not valid!"));
    EXPECT_EQ(project->ProxyServer(), 2);
    EXPECT_EQ(project->OutputWarning(), 1);
    EXPECT_EQ(project->EncryptKey(), QString());
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
    const QString digest = project->EncryptKey();
    EXPECT_EQ(digest, Md5Hex("Secret123"));
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{32}$").match(digest).hasMatch());

    // A key is set already: Cancel keeps the dialog, No keeps the key, Yes replaces it.
    s.encryptKey = "Other9999";
    s.homePage = "http://after/";
    EXPECT_EQ(confirm(QString("Other9999"), TPrompter::Cancel), std::optional(TProjectField::EncryptKey));
    EXPECT_EQ(prompter.messages(), QStringList({ "設定済みのマスターパスワードに上書きしますか？\r"
                                                 "（今までに保存してあるパスワードを読み込めなくなります）" }));
    EXPECT_EQ(project->HomePage(), QString("about:blank"));
    EXPECT_EQ(confirm(QString("Other9999"), TPrompter::No), std::nullopt);
    EXPECT_EQ(project->EncryptKey(), digest);
    EXPECT_EQ(project->HomePage(), QString("http://after/"));
    EXPECT_EQ(confirm(QString("Other9999"), TPrompter::Yes), std::nullopt);
    EXPECT_EQ(project->EncryptKey(), Md5Hex("Other9999"));
}
