#pragma once

#include "core/prompter.h"

#include <QPointer>
#include <QWidget>

// The application's answers to modal questions: real message boxes, file dialogs and a
// masked text entry, centred over the dialog or main window they belong to.
class TDialogPrompter final : public TPrompter {
public:
    int message(const QString& text, const QString& caption, Buttons buttons, Icon icon) override;
    QString openFile(const FileRequest& request) override;
    QString saveFile(const FileRequest& request) override;
    std::optional<QString> password(const QString& caption, const QString& label) override;
};

// A filter written as "description|patterns|description|patterns" (patterns separated by
// ";") in the form of Qt's file dialogs: "description (patterns);;...".
QString QtFileFilter(const QString& filter);

// The extension of the filter's first pattern ("XMLファイル|*.xml" gives "xml"), or an empty
// text when that pattern has no plain extension.
QString DefaultSuffix(const QString& filter);

// Message texts break lines with a carriage return alone; a message box wants "\n".
QString MessageBoxText(const QString& text);

// A command's caption as a dialog's title: without its access key ("上書き保存(&S)" gives
// "上書き保存") and without a trailing ellipsis.
QString DialogTitle(const QString& caption);
