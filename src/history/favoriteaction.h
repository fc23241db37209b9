#pragma once

#include "core/eventbus.h"
#include "history/favoritemenucommand.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QFileSystemWatcher;

// The favorites controller: the project's favorite pages and groups of pages (the pages of
// all tabs at one moment), stored in the project's "Favorite" folder, and the browser's own
// favorites (internet shortcut files of a per-user folder) beside them. It keeps the tree
// with its selection; a view shows it and reports the user's gestures.
class TFavoriteAction final : public TActionCalverdine {
    Q_OBJECT
public:
    enum TRoot { Pages = 0, Groups = 1, Browser = 2 };

    // The browser favorites' add dialog: the title offered (forbidden characters removed)
    // and the sub-folders of the favorites folder ("" the folder itself); true with the
    // chosen name and folder when the user confirms.
    using TAddDialog = std::function<bool(QString& name, QString& subFolder, const QStringList& subFolders)>;
    // Shows a folder in the desktop's file manager.
    using TFolderOpener = std::function<void(const QString& folder)>;

    explicit TFavoriteAction(QObject* parent = nullptr);
    ~TFavoriteAction() override;

    static TFavoriteAction* instance();
    static QString RootCaption(TRoot root);
    // The browser favorites folder: Calverdine.ini [Favorite] BrowserFavoritesFolder, or
    // "Favorites" in the home directory of the user.
    static QString BrowserFavoritesFolder();

    void setAddDialog(TAddDialog dialog) { m_addDialog = std::move(dialog); }
    void setFolderOpener(TFolderOpener opener) { m_folderOpener = std::move(opener); }

    TFavoriteNode* root(TRoot which) const { return m_roots[size_t(which)].get(); }
    TFavoriteNode* selected() const { return m_selected; }
    QString folder() const { return m_folder; }
    // Selects the node (nullptr: none); sets the action states.
    void Select(TFavoriteNode* node);

    // The actions of the menu.
    void PageAdd();
    void PageReplace();
    void FolderAdd();
    void TabAdd();
    void MovePrev();
    void MoveNext();
    void NameEdit();
    void AddressEdit();
    void Delete();
    void Navigate();
    void NavigateNewWindow();
    void NavigateFolderPages();
    void BrowserAdd();
    void BrowserOrganize();

    // An in-place edit ended: accepted with the text, or cancelled.
    void FinishEdit(TFavoriteNode* node, const QString& text, bool accepted);
    bool editing() const { return m_editNode != nullptr; }
    // A click on a page: the current tab goes there, or with newWindow a new tab.
    void OpenNode(TFavoriteNode* node, bool newWindow);

    bool CanDrop(const TFavoriteNode* dragged, const TFavoriteNode* target) const;
    // Copies (across roots) or moves (within one) the dragged subtree to the first place
    // under the target; false when the drop is refused.
    bool Drop(TFavoriteNode* dragged, TFavoriteNode* target);

    // Whether the node is one of the tree's nodes now.
    bool Contains(const TFavoriteNode* node) const;

    // Reads the browser favorites folder again (title map and visited addresses follow).
    void ReadBrowserFavorites();

Q_SIGNALS:
    // The nodes below a root changed; the view rebuilds them.
    void rootChanged(int root);
    // Only the title or address of the node changed.
    void nodeChanged(TFavoriteNode* node);
    void selectionChanged(TFavoriteNode* node);
    // In-place editing starts on the node showing the text.
    void editRequested(TFavoriteNode* node, const QString& text);
    void showPageRequested();
    void expandRequested(TFavoriteNode* node);

private:
    void handleProjectOpened(int);
    void handleProjectClosed(int);
    void handleTabState(int);

    QAction* command(const char* name) const;
    void UpdateStates();
    bool currentTabUsed() const;
    int newId();
    bool saveEntry(const TFavoriteEntry& entry);
    bool saveList(TRoot which);
    bool saveListOf(const TFavoriteNode* node);
    void changed(const TFavoriteNode* node);
    TFavoriteNode* placeNew(std::unique_ptr<TFavoriteEntry> entry);
    TFavoriteNode* addStored(TFavoriteNode* parent, std::unique_ptr<TFavoriteEntry> entry);
    void moveBy(int direction);
    void clearAll();
    void loadList(TRoot which);
    void copySubtree(const TFavoriteNode& from, TFavoriteNode& to, int position, bool newEntries);
    void watchBrowserFolder();
    void stopWatching();

    std::array<std::unique_ptr<TFavoriteNode>, 3> m_roots;
    std::array<bool, 3> m_listDamaged {};
    TFavoriteNode* m_selected = nullptr;
    TFavoriteNode* m_editNode = nullptr;
    bool m_editAddress = false;
    bool m_open = false;
    QString m_folder;
    QStringList m_browserTitles; // the titles this controller put into the visited list
    TAddDialog m_addDialog;
    TFolderOpener m_folderOpener;
    // After the folder is opened for organising, changes made there are read as they come.
    QFileSystemWatcher* m_watcher = nullptr;
    bool m_rereadPending = false;
};
