#pragma once

#include "core/prompter.h"

#include <cstdio>

// The answers of a run without a user (--unattended): every message is written to standard
// error, questions are answered Yes (or OK), file dialogs and the password prompt cancelled.
class TUnattendedPrompter final : public TPrompter {
public:
    explicit TUnattendedPrompter(std::FILE* out = stderr) : m_out(out) {}

    int message(const QString& text, const QString& caption, Buttons buttons, Icon icon) override;
    QString openFile(const FileRequest& request) override;
    QString saveFile(const FileRequest& request) override;
    std::optional<QString> password(const QString& caption, const QString& label) override;

private:
    void write(const QString& line);

    std::FILE* m_out;
};
