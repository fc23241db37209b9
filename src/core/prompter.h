#pragma once

#include <QString>

#include <optional>

// Every modal question of the system goes through this interface: the application answers
// it with real dialogs, tests with scripted answers. Logic code never opens a dialog itself.
class TPrompter {
public:
    // Button results use the usual message box numbers.
    enum Result : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Icon { None, Information, Warning, Error, Question };

    struct FileRequest {
        QString title;
        QString filter;    // "XMLファイル|*.xml" style: description, "|", patterns
        QString directory; // initial directory
        QString fileName;  // initial file name
    };

    virtual ~TPrompter() = default;

    // Shows a modal message box and returns the pressed button. An empty caption means the
    // application's own title.
    virtual int message(const QString& text, const QString& caption = QString(),
                        Buttons buttons = Buttons::Ok, Icon icon = Icon::None) = 0;

    // Full path of the chosen file, or an empty text when cancelled.
    virtual QString openFile(const FileRequest& request) = 0;
    virtual QString saveFile(const FileRequest& request) = 0;

    // A masked one-line text entry (the master password prompt); no value when cancelled.
    virtual std::optional<QString> password(const QString& caption, const QString& label) = 0;

    // Convenience forms used all over the system.
    void information(const QString& text) { message(text); }
    void error(const QString& text) { message(text, QString(), Buttons::Ok, Icon::Error); }
};

// The application's title, used as the caption of message boxes without one.
inline QString ApplicationTitle() { return QStringLiteral("Calverdine"); }
