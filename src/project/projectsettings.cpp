#include "project/projectsettings.h"

#include "core/prompter.h"
#include "crypto/passwordcrypt.h"
#include "core/projectdocument.h"

#include <QFileInfo>

namespace {

const QString kDigits = QStringLiteral("0123456789");
const QString kLetters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
const QString kNameCharacters = QStringLiteral("0123456789,-_") + kLetters;

bool isBlankOrControl(QChar c)
{
    return c.isSpace() || c.category() == QChar::Other_Control;
}

QString trimBlanksAndControls(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlankOrControl(text.at(begin)))
        ++begin;
    while (end > begin && isBlankOrControl(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// An integer element that is missing or damaged reads as the value of a new project.
int readInteger(TXMLProjectType& project, int (TXMLProjectType::*getter)(), int fallback)
{
    try {
        return (project.*getter)();
    } catch (...) {
        return fallback;
    }
}

int readUrlInteger(TXMLScreenIdentifyURLType url, int (TXMLScreenIdentifyURLType::*getter)(), int fallback)
{
    try {
        return (url.*getter)();
    } catch (...) {
        return fallback;
    }
}

struct Check {
    TProjectField field;
    const QString* text;
    TFieldRule rule;
};

} // namespace

std::optional<QString> CheckField(const QString& text, const TFieldRule& rule)
{
    const qsizetype length = text.toUcs4().size();
    if (length > rule.maximum)
        return QStringLiteral("文字数が多すぎます\r") + QString::number(rule.maximum) + QStringLiteral(" 文字以内にしてください");
    if (rule.minimum > 0 && length < rule.minimum)
        return QStringLiteral("文字数が少なすぎます\r") + QString::number(rule.minimum) + QStringLiteral(" 文字以上にしてください");
    for (const QChar c : text) {
        const bool bad = !rule.allowed.isEmpty() ? !rule.allowed.contains(c)
                                                 : (rule.forbidden.contains(c) || (rule.noBlanks && c.isSpace()));
        if (bad)
            return rule.characterMessage;
    }
    return std::nullopt;
}

TProjectSettings LoadProjectSettings(TXMLProjectType& project)
{
    TProjectSettings s;
    s.name = project.Name();
    s.rootDirectory = project.RootDirectory();
    s.homePage = project.HomePage();
    s.screenIdentify = readInteger(project, &TXMLProjectType::ScreenIdentify, 1);
    TXMLScreenIdentifyURLType url = project.ScreenIdentifyURL();
    s.urlProtocolType = readUrlInteger(url, &TXMLScreenIdentifyURLType::ProtocolType, 0) == 1;
    s.urlDomainName = readUrlInteger(url, &TXMLScreenIdentifyURLType::DomainName, 1) == 1;
    s.urlPortNumber = readUrlInteger(url, &TXMLScreenIdentifyURLType::PortNumber, 0) == 1;
    s.urlDirectoryName = readUrlInteger(url, &TXMLScreenIdentifyURLType::DirectoryName, 1) == 1;
    s.urlDirectoryNameTarget = url.DirectoryNameTarget();
    s.urlFileName = readUrlInteger(url, &TXMLScreenIdentifyURLType::FileName, 1) == 1;
    s.urlFileExtension = readUrlInteger(url, &TXMLScreenIdentifyURLType::FileExtension, 0) == 1;
    s.urlQueryParameter = url.QueryParameter();
    s.hiddenName = project.ScreenIdentifyHidden();
    s.idName = project.ScreenIdentifyID();
    project.EncryptKey(); // touched for the element order; the field itself starts empty
    s.viewAlert = readInteger(project, &TXMLProjectType::ViewAlert, 1) == 1;
    s.historySaveNumber = project.HistorySaveNumber();
    s.proxyServer = readInteger(project, &TXMLProjectType::ProxyServer, 0);
    s.proxyAddress = project.ProxyServerAddress();
    s.proxyPort = project.ProxyServerPort();
    s.captureMarginWidth = project.CaptureMarginWidth();
    s.captureMarginHeight = project.CaptureMarginHeight();
    s.captureFileType = readInteger(project, &TXMLProjectType::CaptureFileType, 0);
    s.outputStatusText = readInteger(project, &TXMLProjectType::OutputStatusText, 0) == 1;
    s.outputWarning = readInteger(project, &TXMLProjectType::OutputWarning, 0) == 1;
    return s;
}

std::optional<TProjectField> ConfirmProjectSettings(const TProjectSettings& s, TXMLProjectType& project,
                                                    TPrompter& prompter)
{
    const auto fail = [&prompter](const QString& message, TProjectField field) {
        prompter.message(message);
        return std::optional<TProjectField>(field);
    };
    const auto run = [&](const Check& check) -> std::optional<TProjectField> {
        if (const std::optional<QString> message = CheckField(*check.text, check.rule))
            return fail(*message, check.field);
        return std::nullopt;
    };

    if (auto f = run({ TProjectField::Name, &s.name,
                       { 1, 255, QString(), QStringLiteral("\\/:,;*?\"<>|"), false,
                         QStringLiteral("「プロジェクト名」には、「\\ / : , ; * ? \" < > |」以外が入力できます") } }))
        return f;
    // Paths here are separated by "/": it is allowed, and the backslash is not. Blanks around
    // a path would name another folder here, so the directory is checked and kept without them.
    const QString directory = s.rootDirectory.trimmed();
    if (auto f = run({ TProjectField::RootDirectory, &directory,
                       { 1, 1024, QString(), QStringLiteral("\\,;*?\"<>|"), false,
                         QStringLiteral("「データ保存ディレクトリ」には、「\\ , ; * ? \" < > |」以外が入力できます") } }))
        return f;

    if (QFileInfo(directory).isDir()
        && (directory != project.RootDirectory() || s.name.trimmed() != project.Name())) {
        const int answer = prompter.message(
            QStringLiteral("「データ保存ディレクトリ」のディレクトリは存在しますがよろしいですか"), QStringLiteral("確認"),
            TPrompter::Buttons::YesNo, TPrompter::Icon::Warning);
        if (answer != TPrompter::Yes)
            return TProjectField::RootDirectory;
    }

    const QString homePage = trimBlanksAndControls(s.homePage);
    if (auto f = run({ TProjectField::HomePage, &homePage,
                       { 0, 1024, QString(), QString(), true,
                         QStringLiteral("「ホームページ」には、空白以外が入力できます") } }))
        return f;

    if (s.screenIdentify == 1) {
        if (auto f = run({ TProjectField::URLDirectoryName, &s.urlDirectoryNameTarget,
                           { 0, 255, kDigits + QLatin1Char(','), QString(), false,
                             QStringLiteral("「対象階層」には、数字とカンマのみ入力できます") } }))
            return f;
        if (auto f = run({ TProjectField::URLQueryParameter, &s.urlQueryParameter,
                           { 0, 255, kNameCharacters, QString(), false,
                             QStringLiteral("「パラメータ名」には、英数字とハイフン、アンダーバーのみ入力できます") } }))
            return f;
    }
    if (s.screenIdentify == 2) {
        if (auto f = run({ TProjectField::HiddenName, &s.hiddenName,
                           { 1, 255, kNameCharacters, QString(), false,
                             QStringLiteral("「name 値」には、英数字とハイフン、アンダーバーのみ入力できます") } }))
            return f;
    }
    if (s.screenIdentify == 3) {
        if (auto f = run({ TProjectField::IDName, &s.idName,
                           { 1, 255, kNameCharacters, QString(), false,
                             QStringLiteral("「id 値」には、英数字とハイフン、アンダーバーのみ入力できます") } }))
            return f;
    }
    if (auto f = run({ TProjectField::ProxyAddress, &s.proxyAddress,
                       { 0, 15, kDigits + QLatin1Char('.'), QString(), false,
                         QStringLiteral("「プロキシ アドレス」には、数字とピリオドのみ入力できます") } }))
        return f;
    if (auto f = run({ TProjectField::ProxyPort, &s.proxyPort,
                       { 0, 4, kDigits, QString(), false, QStringLiteral("「プロキシ ポート」には、数字のみ入力できます") } }))
        return f;
    const QString marginMessage = QStringLiteral("「キャプチャ 余白」には、数字のみ入力できます");
    if (auto f = run({ TProjectField::CaptureMarginWidth, &s.captureMarginWidth, { 1, 4, kDigits, QString(), false, marginMessage } }))
        return f;
    if (auto f = run({ TProjectField::CaptureMarginHeight, &s.captureMarginHeight, { 1, 4, kDigits, QString(), false, marginMessage } }))
        return f;

    bool writeKey = false;
    if (!s.encryptKey.isEmpty()) {
        if (auto f = run({ TProjectField::EncryptKey, &s.encryptKey,
                           { 8, 16, kDigits + kLetters, QString(), false,
                             QStringLiteral("「暗号化キー」には、英数字のみ入力できます") } }))
            return f;
        // A cancelled confirmation counts as an empty entry, which never matches.
        const QString confirmation = prompter.password(QStringLiteral("確認入力"), QStringLiteral("暗号化キー（マスターパスワード）"))
                                         .value_or(QString());
        if (confirmation != s.encryptKey)
            return fail(QStringLiteral("「暗号化キー」が「確認入力」と一致しません"), TProjectField::EncryptKey);
        writeKey = true;
        if (!project.EncryptKey().isEmpty()) {
            const int answer = prompter.message(
                QStringLiteral("設定済みのマスターパスワードに上書きしますか？\r（今までに保存してあるパスワードを読み込めなくなります）"),
                QStringLiteral("確認"), TPrompter::Buttons::YesNoCancel, TPrompter::Icon::Question);
            if (answer == TPrompter::Cancel)
                return TProjectField::EncryptKey;
            writeKey = answer == TPrompter::Yes;
        }
    }

    project.SetName(s.name);
    project.SetRootDirectory(directory);
    project.SetHomePage(s.homePage);
    project.SetScreenIdentify(s.screenIdentify);
    TXMLScreenIdentifyURLType url = project.ScreenIdentifyURL();
    url.SetProtocolType(s.urlProtocolType ? 1 : 0);
    url.SetDomainName(s.urlDomainName ? 1 : 0);
    url.SetPortNumber(s.urlPortNumber ? 1 : 0);
    url.SetDirectoryName(s.urlDirectoryName ? 1 : 0);
    url.SetDirectoryNameTarget(s.urlDirectoryNameTarget);
    url.SetFileName(s.urlFileName ? 1 : 0);
    url.SetFileExtension(s.urlFileExtension ? 1 : 0);
    url.SetQueryParameter(s.urlQueryParameter);
    project.SetScreenIdentifyHidden(s.hiddenName);
    project.SetScreenIdentifyID(s.idName);
    project.SetViewAlert(s.viewAlert ? 1 : 0);
    project.SetHistorySaveNumber(s.historySaveNumber);
    project.SetProxyServer(s.proxyServer);
    project.SetProxyServerAddress(s.proxyAddress);
    project.SetProxyServerPort(s.proxyPort);
    project.SetCaptureMarginWidth(s.captureMarginWidth);
    project.SetCaptureMarginHeight(s.captureMarginHeight);
    project.SetCaptureFileType(s.captureFileType);
    project.SetOutputStatusText(s.outputStatusText ? 1 : 0);
    project.SetOutputWarning(s.outputWarning ? 1 : 0);
    if (writeKey)
        project.SetEncryptKey(Md5Hex(s.encryptKey));
    return std::nullopt;
}
