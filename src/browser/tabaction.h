#pragma once

#include "browser/tabwindow.h"
#include "core/eventbus.h"
#include "core/tabaccess.h"

#include <QList>
#include <QMutex>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <vector>

class QAction;

// How the tab windows are arranged inside the tab area.
enum class TTabArrangement { Cascade, TileHorizontal, TileVertical };

// The tab strip, the tab tree and the tab area as the tab controller drives them. The
// views implement it with the main window's widgets; tests use a fake. Positions are the
// strip's, which the tree follows.
class TTabStripView {
public:
    virtual ~TTabStripView() = default;

    // A strip tab and a tree node (images 8 and 13) at the position.
    virtual void InsertTab(int position, TTabWindow* tab, const QString& caption) = 0;
    virtual void RemoveTab(TTabWindow* tab) = 0;
    virtual void MoveTab(int from, int to) = 0;
    // Selects the strip tab and the tree node, without bringing the window to the front.
    virtual void SelectTab(TTabWindow* tab) = 0;
    virtual void SetTabTexts(TTabWindow* tab, const QString& stripCaption, const QString& nodeText) = 0;
    virtual void SetNodeImage(TTabWindow* tab, int image) = 0;
    virtual void SetRootText(const QString& text) = 0;
    // Brings the tab's window to the front of the tab area.
    virtual void BringToFront(TTabWindow* tab) = 0;
    virtual void Arrange(TTabArrangement arrangement) = 0;
    // The address bar's text ("" clears it).
    virtual void ShowAddress(const QString& url) = 0;
    virtual void FocusFindBox() = 0;
};

// Creates tab windows: the window in the tab area with its browser control. The tab window
// is owned by its window and destroyed after it closes.
class TTabWindowFactory {
public:
    virtual ~TTabWindowFactory() = default;
    // Sized like the current tab's window, or filling the tab area when there is none.
    virtual TTabWindow* CreateTabWindow(TTabWindow* current) = 0;
};

// The titles of the browser favorites with their addresses, in favorites order; the
// address bar's text equal to a title (in any letter case) navigates to its address.
// A process-wide service: App().service<TFavoriteTitleMap>().
struct TFavoriteTitleMap {
    QList<QPair<QString, QString>> entries; // title, address
};

// The tab controller: opens and closes the tab windows, keeps the strip and the tree in
// step with them, arranges them, writes the tab list of the project and reopens it, and
// turns every report of a tab window into its bus event.
class TTabAction final : public TActionCalverdine,
                         public TTabWindowOwner,
                         public TTabRegistry,
                         public TTabLookup {
    Q_OBJECT
public:
    static constexpr int kImagePage = 8;
    static constexpr int kImageSelected = 13;
    static constexpr int kImageBeforeNavigate = 18;
    static constexpr int kImageNavigating = 19;
    static constexpr int kImageStopped = 17;
    static constexpr int kImageError = 20;

    // Neither is owned; both outlive the controller's tabs.
    TTabAction(TTabWindowFactory* factory, TTabStripView* view, QObject* parent = nullptr);
    ~TTabAction() override;

    // Opens a tab (made current); with navigateBlank it shows "about:blank". None when
    // no tab ID could be issued.
    TTabWindow* OpenNewTab(bool navigateBlank);
    // The tab windows in strip order.
    QList<TTabWindow*> Tabs() const;
    TTabWindow* CurrentTabWindow() const { return m_current.data(); }
    int PositionOf(const TTabWindow* tab) const;
    // The decimal IDs of the open tabs in the order they were opened.
    const QStringList& TabIdList() const { return m_tabIdList; }
    QString TabListPath() const;
    // The image of a tree node for a NavigationState.
    static int NodeImage(int navigationState);

    // Commands (also reachable through their actions).
    void CloseTab(TTabWindow* tab);
    void CloseAll();
    void CloseOther();
    void ClosePrev();
    void CloseNext();
    void MovePrev();
    void MoveNext();
    void Arrange(TTabArrangement arrangement);

    // From the views: the strip or the tree chose a tab; the tree's pop-up menu opened on a
    // tab; a tree node was dropped on another.
    void ShowTab(TTabWindow* tab);
    void PopupOnTab(TTabWindow* tab);
    void DropTab(TTabWindow* dragged, TTabWindow* target);

    // The views go away (the main window is destroyed): nothing is driven through them again.
    void DetachViews()
    {
        m_view = nullptr;
        m_factory = nullptr;
    }

    // Writes TabWindowList.ini (skipped when nothing changed since the last write).
    void WriteTabList();

    // TTabRegistry
    TTabView* CurrentTab() override { return m_current.data(); }
    TTabView* FindTab(int tabId) override { return findTab(tabId); }
    int TabCount() const override { return int(m_tabs.size()); }
    QString CurrentStatusText() const override { return m_statusText; }
    void NavigateCurrentTab(const QString& text) override;
    void OpenTab(const QString& url) override;
    QList<int> FrontOrder() const override { return m_frontOrder; }
    QList<int> TabOrder() const override;

    // TTabLookup
    TTabLock* findTabLock(int tabId) override { return findTab(tabId); }

    // TTabWindowOwner
    void OnBeforeNavigate(int tabId, const QString& url) override;
    void OnNavigateComplete(int tabId, const QString& url) override;
    void OnDocumentComplete(int tabId, const QString& url, const QString& title) override;
    void OnDocumentParsed(int tabId) override;
    void OnCommandState(int tabId, int code, bool enabled) override;
    void OnStatusText(int tabId, const QString& text) override;
    void OnTitleChange(int tabId) override;
    TBrowserControl* OnNewWindow(int tabId) override;
    void OnNavigateError(int tabId) override;
    void OnClose(int tabId) override;
    void OnActivate(int tabId) override;
    void OnGesture(int tabId, int code) override;
    void OnPopupOpen(int tabId) override;
    void OnPopupOpened(int tabId) override;
    void OnDownload(int tabId) override;
    void OnKeyCommand(int tabId, TTabKeyCommand command) override;
    bool IsCurrentTab(int tabId) const override;

private:
    TTabWindow* findTab(int tabId) const;
    bool isCurrent(int tabId) const { return m_current && m_current->TabId() == tabId; }
    void moveToFront(int tabId);
    void setPositionStates(TTabWindow* tab);
    void updateNodeImage(TTabWindow* tab);
    void reopenTabs();
    void closeFrom(const QList<TTabWindow*>& tabs);
    QAction* command(const char* name);

    void handleProjectOpened(int);
    void handleProjectClosed(int);
    void handleTabWindowAdded(int);
    void handleTabWindowWasNothing(int);
    void handleTabWindowActivated(int);

    TTabWindowFactory* m_factory = nullptr;
    TTabStripView* m_view = nullptr;
    std::vector<QPointer<TTabWindow>> m_tabs; // strip order
    QStringList m_tabIdList;
    QList<int> m_frontOrder;
    QPointer<TTabWindow> m_current;
    int m_lastTabId = 0;
    QString m_statusText;
    QMutex m_statusLock;
    QMutex m_fileLock;
    QString m_tabWindowFolder;
    QByteArray m_lastWritten;
    bool m_saveFailed = false;

    QAction* m_open = nullptr;
    QAction* m_close = nullptr;
    QAction* m_closeAll = nullptr;
    QAction* m_closeOther = nullptr;
    QAction* m_closePrev = nullptr;
    QAction* m_closeNext = nullptr;
    QAction* m_movePrev = nullptr;
    QAction* m_moveNext = nullptr;
    QAction* m_cascade = nullptr;
    QAction* m_tileH = nullptr;
    QAction* m_tileV = nullptr;
    QPointer<TTabWindow> m_commandTab; // the tab the position-dependent commands act on
};
