#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct TPopupMessageInfo;
struct TDownloadInfo;
class TCalverdineDocument;
class QPrinter;

// One entry of a tab's travel log.
struct THistoryEntry {
    QString Title;
    QString Url;
};

// What rendering a page into an image gave: the image (null when nothing could be
// rendered, with the reason in `error`) and, when the page did not fit into one image, a
// note saying what was left out.
struct TCaptureImage {
    QImage image;
    QString note;
    QString error;
};
using TCaptureCallback = std::function<void(const TCaptureImage&)>;

// What controllers read of and ask from one tab window. The tab window implements it;
// tests use fakes.
class TTabView {
public:
    virtual ~TTabView() = default;

    virtual int TabId() const = 0;
    virtual QString GetUrl() const = 0;          // address of the last completed navigation
    virtual QString GetRequestedUrl() const = 0; // address of the last navigation started
    virtual QString GetTitle() const = 0;
    // 0 new, 1 navigating, 2 loaded, 4 a download started, 8 stopped, 9 navigation error
    virtual int NavigationState() const = 0;
    virtual bool CanGoBack() const = 0;
    virtual bool CanGoForward() const = 0;
    virtual bool Busy() const = 0;
    virtual bool IsHtmlDocument() const = 0;
    virtual bool IsReady() const = 0; // parsed and NavigationState from 2 to 7

    // Text size 0 (smallest) to 4 (largest), mapped onto the engine's zoom.
    virtual int TextSize() const = 0;
    virtual void SetTextSize(int size) = 0;

    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    // Travels the number of steps back (negative) or forward (positive) in the travel log.
    virtual void Travel(int steps) { Q_UNUSED(steps); }
    virtual void StopLoading() = 0;
    virtual void Reload(bool completely) = 0;
    virtual void ViewSource() = 0;

    // The document model of the last parse, or nullptr.
    virtual TCalverdineDocument* GetDocumentModel() = 0;

    // The latest message box (nullptr before the first one) and the last reported download.
    virtual TPopupMessageInfo* PopupInfo() = 0;
    virtual TDownloadInfo LastDownloadInfo() const = 0;

    // The travel log behind (nearest first, at most 10), ahead (at most 10) and in full
    // (at most 100), as read at the last completed navigation.
    virtual QList<THistoryEntry> BackEntries() const { return {}; }
    virtual QList<THistoryEntry> ForwardEntries() const { return {}; }
    virtual QList<THistoryEntry> AllEntries() const { return {}; }
    // Appends the text to the focused text input or text area of the page, then moves the
    // focus with Tab (direction 1) or Shift+Tab (-1) when the value changed.
    virtual void SendTextToFocusedInput(const QString& text, int direction) { Q_UNUSED(text); Q_UNUSED(direction); }
    // Gives the page the keyboard focus.
    virtual void ActivateBrowser() {}
    // Whether an editable element of the page has the keyboard focus, and the text selected
    // in the page (empty when none).
    virtual bool EditFocus() const { return false; }
    virtual QString SelectedText() const { return QString(); }
    // The page's own edit commands on its focused element or selection.
    enum class EditCommand { Cut, Copy, Paste, SelectAll };
    virtual void ExecEditCommand(EditCommand command) { Q_UNUSED(command); }
    // Renders the page: area 1 the visible part, area 2 the whole scrollable page with
    // `margin` added to its width and height. `done` is called once, later; another area
    // renders nothing and `done` is not called.
    virtual void Capture(int area, const QSize& margin, TCaptureCallback done)
    {
        Q_UNUSED(area); Q_UNUSED(margin); Q_UNUSED(done);
    }
    // Whether the page can be saved as a file now.
    virtual bool CanSavePage() const { return false; }
    // Saves the page through the engine: the page with its resources in a folder beside
    // the file, or everything in one web archive (MHTML) file. `done` is called once, later,
    // with an empty text on success or the reason of the failure.
    enum class PageFileFormat { Complete, SingleFile };
    virtual void SavePage(const QString& path, PageFileFormat format, std::function<void(const QString& error)> done)
    {
        Q_UNUSED(path); Q_UNUSED(format);
        done(QStringLiteral("the page cannot be saved"));
    }
    // The engine's own find: highlights every match of the text in the page (an empty
    // text clears the highlight); `done` gets the number of matches, later.
    virtual void HighlightMatches(const QString& text, bool matchCase, std::function<void(int matches)> done)
    {
        Q_UNUSED(text); Q_UNUSED(matchCase);
        done(0);
    }
    // Prints the page on the printer (which must live until `done`); `done` is called once,
    // later, with whether printing succeeded.
    virtual void PrintPage(QPrinter* printer, std::function<void(bool ok)> done)
    {
        Q_UNUSED(printer);
        done(false);
    }
};

// The tab controller's services for the other controllers (App().tabs; none before the
// tab controller exists).
class TTabRegistry {
public:
    virtual ~TTabRegistry() = default;

    virtual TTabView* CurrentTab() = 0;
    virtual TTabView* FindTab(int tabId) = 0;
    virtual int TabCount() const = 0;
    // The status text the current tab reported last.
    virtual QString CurrentStatusText() const = 0;
    // Makes the current tab navigate (a favorite's title leads to its address); opens a
    // tab first when there is none.
    virtual void NavigateCurrentTab(const QString& text) = 0;
    // Opens a new tab on the address and makes it current.
    virtual void OpenTab(const QString& url) = 0;
    // The tab IDs in the order the tabs were brought to the front (the last is in front).
    virtual QList<int> FrontOrder() const { return {}; }
    // The tab IDs in tab order (the order of the tab strip).
    virtual QList<int> TabOrder() const { return FrontOrder(); }
};

// The process-wide list of visited addresses that the address box offers.
struct TVisitedAddresses {
    QStringList addresses;
};
