#pragma once

#include <QString>
#include <QStringList>

// The latest message box a tab caught, with the answer a handler of PopupOpen may supply.
struct TPopupMessageInfo {
    static constexpr int kAlert = 48;
    static constexpr int kConfirm = 33;

    QString Text;
    QString Caption;
    int MessageType = 0;
    int AnswerResult = -1; // 0 answered without showing the box, 1 the box is shown; -1 none
    int AnswerButton = -1; // 1 OK, 2 Cancel; -1 none
    int Result = 1;        // what the tab decided (0 or 1)
    int ResultButton = -1; // the button reported to the page
};

// The record of one navigation's download: its address and the status lines that named it.
struct TDownloadInfo {
    QString Url;
    QStringList Lines;

    bool operator==(const TDownloadInfo& other) const { return Url == other.Url && Lines == other.Lines; }
    bool operator!=(const TDownloadInfo& other) const { return !(*this == other); }
};
