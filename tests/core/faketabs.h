#pragma once

#include "browser/popupinfo.h"
#include "core/tabaccess.h"

#include <QStringList>

#include <map>
#include <optional>
#include <memory>

// A tab whose states the test sets; it records what the commands asked of it.
class TFakeTab : public TTabView {
public:
    explicit TFakeTab(int id) : id(id) {}

    int TabId() const override { return id; }
    QString GetUrl() const override { return url; }
    QString GetRequestedUrl() const override { return url; }
    QString GetTitle() const override { return QString(); }
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
    TCalverdineDocument* GetDocumentModel() override { return nullptr; }
    TPopupMessageInfo* PopupInfo() override { return popup ? &*popup : nullptr; }
    TDownloadInfo LastDownloadInfo() const override { return download; }

    int id;
    QString url;
    int navigationState = 0;
    bool canGoBack = false;
    bool canGoForward = false;
    bool busy = false;
    bool html = false;
    int textSize = 2;
    std::optional<TPopupMessageInfo> popup;
    TDownloadInfo download;
    QStringList calls;
};

// The tab controller's registry with tabs the test adds.
class TFakeTabs : public TTabRegistry {
public:
    TFakeTab& add(int id)
    {
        auto& tab = m_tabs[id];
        tab = std::make_unique<TFakeTab>(id);
        current = id;
        return *tab;
    }

    TTabView* CurrentTab() override { return FindTab(current); }
    TTabView* FindTab(int tabId) override
    {
        auto it = m_tabs.find(tabId);
        return it == m_tabs.end() ? nullptr : it->second.get();
    }
    int TabCount() const override { return int(m_tabs.size()); }
    QString CurrentStatusText() const override { return statusText; }
    void NavigateCurrentTab(const QString& text) override { navigated << text; }
    void OpenTab(const QString& url) override { opened << url; }

    int current = 0;
    QString statusText;
    QStringList navigated;
    QStringList opened;

private:
    std::map<int, std::unique_ptr<TFakeTab>> m_tabs;
};
