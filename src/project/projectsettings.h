#pragma once

#include <QString>

#include <optional>

class TPrompter;
class TXMLProjectType;

// The values of the project settings dialog, one per control, as the user sees them.
struct TProjectSettings {
    QString name;
    QString rootDirectory;
    QString homePage;
    int screenIdentify = 1; // 1 URL pattern, 2 hidden value, 3 id value
    bool urlProtocolType = false;
    bool urlDomainName = false;
    bool urlPortNumber = false;
    bool urlDirectoryName = false;
    QString urlDirectoryNameTarget;
    bool urlFileName = false;
    bool urlFileExtension = false;
    QString urlQueryParameter;
    QString hiddenName;
    QString idName;
    bool viewAlert = false;
    QString encryptKey; // the master password field; always starts empty
    QString historySaveNumber;
    int proxyServer = 0;
    QString proxyAddress;
    QString proxyPort;
    QString captureMarginWidth;
    QString captureMarginHeight;
    int captureFileType = 0;
    bool outputStatusText = false;
    bool outputWarning = false;
};

// The fields a failed check gives the focus to.
enum class TProjectField {
    Name,
    RootDirectory,
    HomePage,
    URLDirectoryName,
    URLQueryParameter,
    HiddenName,
    IDName,
    ProxyAddress,
    ProxyPort,
    CaptureMarginWidth,
    CaptureMarginHeight,
    EncryptKey,
};

// A text is valid when its length in characters lies within [minimum, maximum] (minimum 0:
// no lower bound) and every character passes: inside `allowed` when that is given, else
// outside `forbidden`.
struct TFieldRule {
    int minimum = 0;
    int maximum = 0;
    QString allowed;
    QString forbidden;
    bool noBlanks = false; // blank characters are forbidden as well
    QString characterMessage;
};

// The message for a text that breaks the rule, or nothing when it is valid. Too long is
// tested first, then too short, then the characters.
std::optional<QString> CheckField(const QString& text, const TFieldRule& rule);

// Reads every setting from the project, touching the elements in the order of the project
// file, so that a project written after the dialog holds every element. An integer element
// that is empty or not a number reads as the value a new project has.
TProjectSettings LoadProjectSettings(TXMLProjectType& project);

// The OK button: runs the checks in order, asking the questions through the prompter, and
// writes the settings into the project when all pass. Returns the field that gets the focus
// when a check fails (nothing was written then), or nothing when the settings were written.
std::optional<TProjectField> ConfirmProjectSettings(const TProjectSettings& settings, TXMLProjectType& project,
                                                    TPrompter& prompter);
