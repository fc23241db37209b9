#pragma once

#include "core/tabaccess.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

class TPageChannel;

// Commands of the control's command state changes.
enum TCommandStateCode : int {
    CSC_UPDATECOMMANDS = -1,
    CSC_NAVIGATEFORWARD = 1,
    CSC_NAVIGATEBACK = 2,
};

// What a document of the page reports through its event sink. The document and the
// element are handles of the last snapshot (-1 when the page holds none for them).
struct TDocumentEvent {
    enum Kind {
        MouseDown,       // a mouse button was pressed in the document
        ReadyState,      // a frame's document became complete after the top page was
        BeforeEditFocus, // an editable element is about to get the focus
        FocusIn,         // the focus moved to an element of the document
        FocusOut,        // the focus left the document's element
        EditBlur,        // an editable element lost the focus inside the document
        SelectionChange, // the selection changed
        Activate,        // the document became the active one
        Deactivate,      // the document stopped being the active one
    };
    Kind kind = MouseDown;
    int document = -1;
    int activeElement = -1;
    QString selectedText;
};

// The control's answer to a message box: 1 shows the control's own box, 0 answers it with
// the button.
struct TMessageBoxAnswer {
    int result = 1;
    int button = -1;
};

class TBrowserControl;

// What the control tells its client site (the tab window), in the order a page's life
// produces them: BeforeNavigate2 for the page and each frame, NavigateComplete2,
// DocumentComplete for each frame and then for the top page.
class TBrowserControlEvents {
public:
    virtual ~TBrowserControlEvents() = default;

    // topLevel: the navigation of the top document (not of a frame).
    virtual void BeforeNavigate2(const QString& url, bool topLevel) = 0;
    virtual void NavigateComplete2(const QString& url) = 0;
    virtual void DocumentComplete(const QString& url) = 0;
    virtual void NavigateError(const QString& url) = 0;
    virtual void CommandStateChange(int command, bool enable) = 0;
    virtual void StatusTextChange(const QString& text) = 0;
    virtual void TitleChange(const QString& text) = 0;
    // The page asks for a new window; the control of the window that takes it, or none to
    // cancel.
    virtual TBrowserControl* NewWindow2() = 0;
    virtual void FileDownload(const QString& url) = 0;
    virtual void WindowSetLeft(int value) = 0;
    virtual void WindowSetTop(int value) = 0;
    virtual void WindowSetWidth(int value) = 0;
    virtual void WindowSetHeight(int value) = 0;
    // A script of the page closes its window.
    virtual void WindowClosing() = 0;
    // The control asks before it shows a message box (48 alert, 33 confirm, others).
    virtual TMessageBoxAnswer ShowMessage(const QString& text, const QString& caption, int type) = 0;
    virtual void DocumentEvent(const TDocumentEvent& event) = 0;

    // The host window's messages about the page: a key pressed in it (true when handled,
    // then the page does not see the key), the pointer and the right button.
    virtual bool KeyDown(int key, Qt::KeyboardModifiers modifiers) = 0;
    virtual void PointerMoved() = 0;
    virtual void RightButtonDown(const QPoint& point) = 0;
    // True when a gesture was recognised (the release and its context menu are handled).
    virtual bool RightButtonUp(const QPoint& point) = 0;
};

// The embedded web browser control of a tab, as the tab window uses it. The engine adapter
// implements it; unit tests use a fake.
class TBrowserControl {
public:
    virtual ~TBrowserControl() = default;

    virtual void SetEvents(TBrowserControlEvents* events) = 0;

    virtual void Navigate(const QString& url) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    // Travels the number of steps back (negative) or forward in the travel log.
    virtual void Travel(int steps) { (void)steps; }
    virtual void Stop() = 0;
    // Reloads; completely bypasses the cache.
    virtual void Refresh(bool completely) = 0;

    // Address of the top document.
    virtual QString LocationURL() const = 0;
    virtual QString Title() const = 0;
    // True while loading.
    virtual bool Busy() const = 0;
    // A document is loaded (also a page that is not HTML).
    virtual bool HasDocument() const = 0;
    virtual bool IsHtmlDocument() const = 0;
    // "complete" once the top document completed, "loading" or "interactive" before.
    virtual QString ReadyState() const = 0;
    virtual bool CanGoBack() const = 0;
    virtual bool CanGoForward() const = 0;
    // The travel log: the entries behind and ahead of the current one (nearest first, at
    // most `limit`), and every entry in order (at most `allLimit`).
    virtual QList<THistoryEntry> BackEntries(int limit) const = 0;
    virtual QList<THistoryEntry> ForwardEntries(int limit) const = 0;
    virtual QList<THistoryEntry> AllEntries(int allLimit) const = 0;

    virtual qreal ZoomFactor() const = 0;
    virtual void SetZoomFactor(qreal factor) = 0;
    virtual void ViewSource() = 0;
    // Gives the page the keyboard focus.
    virtual void FocusPage() = 0;
    // Whether the page (or a widget inside it) has the keyboard focus.
    virtual bool PageHasFocus() const = 0;

    // Takes the snapshot of the page (docs/snapshot-format.md) in one call. The answer is
    // the snapshot JSON, or `html` false for a page that is not HTML, or an error message.
    // Called later on the user-interface thread, or never once the control is gone.
    struct SnapshotResult {
        bool html = true;
        QByteArray json;
        QString error;
    };
    using SnapshotCallback = std::function<void(const SnapshotResult&)>;
    virtual void TakeSnapshot(const QStringList& innerTextIds, SnapshotCallback callback) = 0;
    // The road to the live page of the last snapshot.
    virtual TPageChannel* PageChannel() = 0;

    // Appends text to the value of an element of the last snapshot when it is a text input
    // that is not read-only or a text area; the answer tells whether the value changed.
    virtual void AppendText(int elementHandle, const QString& text, std::function<void(bool changed)> done) = 0;
    // Presses Tab (Shift+Tab when backwards) in the page.
    virtual void SendTabKey(bool backwards) = 0;

    // The page's edit commands: 0 cut, 1 copy, 2 paste, 3 select all.
    virtual void ExecEditCommand(int command) { Q_UNUSED(command); }

    // Whether a document that the engine can save is loaded.
    virtual bool CanSavePage() const { return false; }
    // Saves the page (format 0 complete with a resource folder, 1 a single MHTML file);
    // `done` is called once, later, with an empty text on success.
    virtual void SavePage(const QString& path, int format, std::function<void(const QString& error)> done)
    {
        Q_UNUSED(path); Q_UNUSED(format);
        done(QStringLiteral("the browser cannot save its page"));
    }
    // Highlights every match of the text (the engine's own find); `done` gets their number.
    virtual void HighlightMatches(const QString& text, bool matchCase, std::function<void(int matches)> done)
    {
        Q_UNUSED(text); Q_UNUSED(matchCase);
        done(0);
    }
    // Prints the page; `done` is called once, later.
    virtual void PrintPage(QPrinter* printer, std::function<void(bool ok)> done)
    {
        Q_UNUSED(printer);
        done(false);
    }

    // Renders the visible part of the page, or the whole scrollable page enlarged by
    // `margin`, into an image; `done` is called once, later.
    virtual void RenderPage(bool wholePage, const QSize& margin, TCaptureCallback done)
    {
        Q_UNUSED(wholePage); Q_UNUSED(margin);
        done({ QImage(), QString(), QStringLiteral("the browser cannot render its page") });
    }
};
