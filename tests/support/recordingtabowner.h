#pragma once

#include "browser/tabwindow.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

// The reports of tab windows, recorded as "Name:tab:detail" lines ("Name:detail" when made
// without tab IDs; the detail and its colon are left out where a report has none). Every
// tab counts as the current one; none opens a new window.
class TRecordingTabOwner : public TTabWindowOwner {
public:
    explicit TRecordingTabOwner(bool withTabIds = true) : m_withTabIds(withTabIds) {}

    void OnBeforeNavigate(int tabId, const QString& url) override { add("BeforeNavigate", tabId, url); }
    void OnNavigateComplete(int tabId, const QString& url) override { add("NavigateComplete", tabId, url); }
    void OnDocumentComplete(int tabId, const QString& url, const QString& title) override
    {
        add("DocumentComplete", tabId, url + QLatin1Char(' ') + title);
    }
    void OnDocumentParsed(int tabId) override { add("DocumentParsed", tabId); }
    void OnCommandState(int tabId, int code, bool enabled) override
    {
        add("CommandState", tabId, QString::number(code) + (enabled ? QLatin1Char('+') : QLatin1Char('-')));
    }
    void OnStatusText(int tabId, const QString& text) override { add("StatusText", tabId, text); }
    void OnTitleChange(int tabId) override { add("TitleChange", tabId); }
    TBrowserControl* OnNewWindow(int tabId) override
    {
        add("NewWindow", tabId);
        return nullptr;
    }
    void OnNavigateError(int tabId) override { add("NavigateError", tabId); }
    void OnClose(int tabId) override { add("Close", tabId); }
    void OnActivate(int tabId) override { add("Activate", tabId); }
    void OnGesture(int tabId, int code) override { add("Gesture", tabId, QString::number(code)); }
    void OnPopupOpen(int tabId) override
    {
        add("PopupOpen", tabId);
        if (popupOpen)
            popupOpen();
    }
    void OnPopupOpened(int tabId) override { add("PopupOpened", tabId); }
    void OnDownload(int tabId) override { add("Download", tabId); }
    void OnKeyCommand(int tabId, TTabKeyCommand command) override { add("KeyCommand", tabId, QString::number(int(command))); }
    bool IsCurrentTab(int) const override { return true; }

    // Reports whose line starts with the prefix.
    QStringList matching(const QString& prefix) const
    {
        return reports.filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(prefix)));
    }
    int count(const QString& prefix) const { return int(matching(prefix).size()); }
    QStringList take() { return std::exchange(reports, {}); }

    QStringList reports;
    std::function<void()> popupOpen;

private:
    void add(const char* name, int tabId, const QString& detail = QString())
    {
        QString line = QString::fromLatin1(name);
        if (m_withTabIds)
            line += QLatin1Char(':') + QString::number(tabId);
        if (!detail.isNull())
            line += QLatin1Char(':') + detail;
        reports.append(line);
    }

    bool m_withTabIds;
};
