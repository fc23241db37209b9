#pragma once

#include "browser/browsercontrol.h"
#include "browser/tabwindow.h"

#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

// A browser control whose state the test sets and whose calls it records; snapshots are
// answered by the test.
class TFakeBrowser : public TBrowserControl {
public:
    void SetEvents(TBrowserControlEvents* e) override { events = e; }
    void Navigate(const QString& url) override
    {
        calls.append(QStringLiteral("Navigate ") + url);
        if (autoNavigate && events) {
            location = url;
            events->BeforeNavigate2(url, true);
            events->NavigateComplete2(url);
        }
    }
    void GoBack() override {}
    void GoForward() override {}
    void Stop() override { calls.append(QStringLiteral("Stop")); }
    void Refresh(bool completely) override { calls.append(completely ? QStringLiteral("Refresh 3") : QStringLiteral("Refresh 0")); }
    QString LocationURL() const override { return location; }
    QString Title() const override { return QStringLiteral("Page"); }
    bool Busy() const override { return busy; }
    bool HasDocument() const override { return true; }
    bool IsHtmlDocument() const override { return html; }
    QString ReadyState() const override { return readyState; }
    bool CanGoBack() const override { return false; }
    bool CanGoForward() const override { return false; }
    QList<THistoryEntry> BackEntries(int limit) const override { return history.mid(0, limit); }
    QList<THistoryEntry> ForwardEntries(int limit) const override { return history.mid(0, limit); }
    QList<THistoryEntry> AllEntries(int limit) const override { return history.mid(0, limit); }
    qreal ZoomFactor() const override { return zoom; }
    void SetZoomFactor(qreal factor) override { zoom = factor; }
    void ViewSource() override {}
    void FocusPage() override { calls.append(QStringLiteral("FocusPage")); }
    bool PageHasFocus() const override { return false; }
    void TakeSnapshot(const QStringList&, SnapshotCallback callback) override { snapshots.push_back(std::move(callback)); }
    TPageChannel* PageChannel() override { return nullptr; }
    void AppendText(int, const QString&, std::function<void(bool)> done) override { done(false); }
    void SendTabKey(bool) override {}

    // Answers the oldest snapshot request still open with a page of one document, or an error.
    void answerSnapshot();
    void failSnapshot(const QString& error);
    // A page of one document: the top page and its frames complete, in the order the
    // engine reports them.
    void completePage(const QString& top, const QStringList& frames = {});

    TBrowserControlEvents* events = nullptr;
    QStringList calls;
    QString location = QStringLiteral("http://127.0.0.1/page.html");
    bool busy = false;
    bool html = true;
    QString readyState = QStringLiteral("complete");
    qreal zoom = 1.0;
    bool autoNavigate = false; // a navigation starts and commits at once
    QList<THistoryEntry> history;
    std::vector<SnapshotCallback> snapshots;

private:
    void answer(const SnapshotResult& result);
};

// A tab's window: records what the tab asks of it. With destroyTab, closing it also
// destroys its tab later, as the window of the tab area does.
class TFakeFrame : public TTabWindowFrame {
public:
    void SetCaption(const QString& text) override { caption = text; }
    bool IsNormalState() const override { return normal; }
    void SetFrameLeft(int v) override { applied.append(QStringLiteral("left %1").arg(v)); }
    void SetFrameTop(int v) override { applied.append(QStringLiteral("top %1").arg(v)); }
    void SetFrameWidth(int v) override { applied.append(QStringLiteral("width %1").arg(v)); }
    void SetFrameHeight(int v) override { applied.append(QStringLiteral("height %1").arg(v)); }
    void CloseFrame() override
    {
        ++closeRequests;
        if (!tab)
            return;
        tab->FormClose();
        if (destroyTab)
            std::exchange(tab, nullptr)->deleteLater();
    }
    bool MayActivateBrowser() const override { return mayActivate; }

    TTabWindow* tab = nullptr;
    QString caption;
    bool normal = true;
    bool mayActivate = true;
    bool destroyTab = false;
    QStringList applied;
    int closeRequests = 0;
};
