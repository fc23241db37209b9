#pragma once

#include "browser/popupinfo.h"
#include "core/appcontext.h"
#include "core/tabaccess.h"
#include "document/calverdinedocument.h"
#include "document/support/recordingpagechannel.h"
#include "document/support/snapshotbuilder.h"

#include <map>
#include <memory>

// A tab showing a parsed document model, for the controllers' tests.
class TFakeTab : public TTabView {
public:
    explicit TFakeTab(int id) : m_id(id) {}

    int TabId() const override { return m_id; }
    QString GetUrl() const override { return document ? document->URL() : QString(); }
    QString GetRequestedUrl() const override { return QString(); }
    QString GetTitle() const override { return QString(); }
    int NavigationState() const override { return 2; }
    bool CanGoBack() const override { return false; }
    bool CanGoForward() const override { return false; }
    bool Busy() const override { return false; }
    bool IsHtmlDocument() const override { return true; }
    bool IsReady() const override { return document != nullptr; }
    int TextSize() const override { return 2; }
    void SetTextSize(int) override {}
    void GoBack() override {}
    void GoForward() override {}
    void StopLoading() override {}
    void Reload(bool) override {}
    void ViewSource() override {}
    TCalverdineDocument* GetDocumentModel() override { return document.get(); }
    TPopupMessageInfo* PopupInfo() override { return nullptr; }
    TDownloadInfo LastDownloadInfo() const override { return {}; }

    std::unique_ptr<TCalverdineDocument> document;
    TRecordingPageChannel channel;

private:
    int m_id;
};

class TFakeTabs : public TTabRegistry {
public:
    TFakeTabs() { App().tabs = this; }
    ~TFakeTabs() override
    {
        if (App().tabs == this)
            App().tabs = nullptr;
    }

    TFakeTab& open(int id)
    {
        auto& tab = m_tabs[id];
        tab = std::make_unique<TFakeTab>(id);
        current = id;
        return *tab;
    }
    TTabView* CurrentTab() override { return FindTab(current); }
    TTabView* FindTab(int id) override
    {
        auto it = m_tabs.find(id);
        return it == m_tabs.end() ? nullptr : it->second.get();
    }
    int TabCount() const override { return int(m_tabs.size()); }
    QString CurrentStatusText() const override { return QString(); }
    void NavigateCurrentTab(const QString&) override {}
    void OpenTab(const QString&) override {}

    int current = 0;

private:
    std::map<int, std::unique_ptr<TFakeTab>> m_tabs;
};

// The login page of the tests: user, password, "remember me", a hidden token, a radio
// group and a text area, in the form "login" of http://127.0.0.2/app/login.html.
inline std::unique_ptr<TCalverdineDocument> BuildLoginPage(TPageChannel* channel)
{
    TSnapshotBuilder b;
    const QString url = QStringLiteral("http://127.0.0.2/app/login.html");
    auto& top = b.document(url);
    const int form = top.form("login", "/app/login");
    top.input(form, "text", "user", "admin");
    top.input(form, "password", "pass", "secret-1");
    top.input(form, "checkbox", "remember", "on", { { "checked", true } });
    top.input(form, "hidden", "token", "T0K3N");
    top.input(form, "radio", "sex", "m", { { "checked", true } });
    top.input(form, "radio", "sex", "f");
    top.textarea(form, "note", "a=b");
    auto model = std::make_unique<TCalverdineDocument>(url);
    model->Parse(b.build(channel), TScreenIDSettings());
    return model;
}
