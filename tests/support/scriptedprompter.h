#pragma once

#include "core/prompter.h"

#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

// Answers the questions of the system from a script and records what was asked.
// Without a scripted answer: Ok for an OK box, No for Yes/No, Cancel otherwise; file
// dialogs and the password prompt are cancelled.
class TScriptedPrompter : public TPrompter {
public:
    struct Asked {
        QString kind; // "message", "open", "save", "password"
        QString text; // message text, or the dialog title
        QString caption;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        FileRequest request;
    };

    int message(const QString& text, const QString& caption, Buttons buttons, Icon icon) override;
    QString openFile(const FileRequest& request) override;
    QString saveFile(const FileRequest& request) override;
    std::optional<QString> password(const QString& caption, const QString& label) override;

    std::deque<int> answers;
    std::deque<QString> files;
    std::deque<std::optional<QString>> passwords;
    std::vector<Asked> asked;

    // The texts of every message box shown, in order.
    QStringList messages() const;
    void clear();
};
