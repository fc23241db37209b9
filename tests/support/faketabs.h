#pragma once

#include "core/popupinfo.h"
#include "core/appcontext.h"
#include "core/tabaccess.h"
#include "document/calverdinedocument.h"
#include "document/support/recordingpagechannel.h"

#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>

// A tab whose states the test sets; it records what the commands asked of it. A test that
// gives it a document model builds it on the tab's recording page channel.
class TFakeTab : public TTabView {
public:
    explicit TFakeTab(int id) : id(id) {}

    int TabId() const override { return id; }
    QString GetUrl() const override { return url.isEmpty() && document ? document->URL() : url; }
    QString GetRequestedUrl() const override { return url; }
    QString GetTitle() const override { return title; }
    int NavigationState() const override { return navigationState; }
    bool CanGoBack() const override { return canGoBack; }
    bool CanGoForward() const override { return canGoForward; }
    bool Busy() const override { return busy; }
    bool IsHtmlDocument() const override { return html; }
    bool IsReady() const override { return navigationState >= 2 && navigationState <= 7; }
    int TextSize() const override { return textSize; }
    void SetTextSize(int size) override { calls << QStringLiteral("SetTextSize:%1").arg(size); textSize = size; }
    void GoBack() override { calls << QStringLiteral("GoBack"); }
    void GoForward() override { calls << QStringLiteral("GoForward"); }
    void StopLoading() override { calls << QStringLiteral("StopLoading"); }
    void Reload(bool completely) override { calls << QStringLiteral("Reload:%1").arg(completely); }
    void ViewSource() override { calls << QStringLiteral("ViewSource"); }
    TCalverdineDocument* GetDocumentModel() override { return document.get(); }
    TPopupMessageInfo* PopupInfo() override { return popup ? &*popup : nullptr; }
    TDownloadInfo LastDownloadInfo() const override { return download; }
    QList<THistoryEntry> BackEntries() const override { return back; }
    QList<THistoryEntry> ForwardEntries() const override { return forward; }
    QList<THistoryEntry> AllEntries() const override { return all; }
    void Travel(int steps) override { calls << QStringLiteral("Travel:%1").arg(steps); }
    bool EditFocus() const override { return editFocus; }
    QString SelectedText() const override { return selectedText; }
    void ExecEditCommand(EditCommand command) override
    {
        calls << QStringLiteral("Edit:%1").arg(int(command));
        if (onEdit)
            onEdit(command);
    }

    bool CanSavePage() const override { return canSave; }
    void SavePage(const QString& path, PageFileFormat format, std::function<void(const QString&)> done) override
    {
        calls << QStringLiteral("Save:%1:%2").arg(path).arg(int(format));
        done(saveError);
    }

    int id;
    bool canSave = false;
    QString saveError;
    QString url;
    QString title;
    QList<THistoryEntry> back, forward, all;
    int navigationState = 0, textSize = 2;
    bool canGoBack = false, canGoForward = false, busy = false, html = false;
    bool editFocus = false;
    QString selectedText;
    std::function<void(EditCommand)> onEdit;
    std::optional<TPopupMessageInfo> popup;
    TDownloadInfo download;
    QStringList calls;
    std::unique_ptr<TCalverdineDocument> document;
    TRecordingPageChannel channel;
};

// The tab controller's registry with tabs the test adds; the last one added is current.
// It stands behind App().tabs while it lives.
class TFakeTabs : public TTabRegistry {
public:
    TFakeTabs() { App().tabs = this; }
    ~TFakeTabs() override
    {
        if (App().tabs == this)
            App().tabs = nullptr;
    }
    TFakeTab& add(int id)
    {
        current = id;
        if (!m_tabs.count(id))
            order << id;
        return *(m_tabs[id] = std::make_unique<TFakeTab>(id));
    }
    TTabView* CurrentTab() override { return FindTab(current); }
    TTabView* FindTab(int tabId) override { return m_tabs.count(tabId) ? m_tabs[tabId].get() : nullptr; }
    int TabCount() const override { return int(m_tabs.size()); }
    QString CurrentStatusText() const override { return statusText; }
    void NavigateCurrentTab(const QString& text) override { navigated << text; }
    void OpenTab(const QString& url) override { opened << url; }
    QList<int> TabOrder() const override { return order; }

    int current = 0;
    QString statusText;
    QStringList navigated, opened;
    QList<int> order; // the order of adding

private:
    std::map<int, std::unique_ptr<TFakeTab>> m_tabs;
};
