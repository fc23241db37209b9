#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// One favorite: a page (title and address) or a folder of favorites. Each is kept in its
// own entry file "<ID>.ini" of the project's "Favorite" folder.
struct TFavoriteEntry {
    int ID = 0;
    QString Title;
    QString URL;
    bool PageFlag = true;
    bool FolderFlag = false;

    static constexpr int kPageType = 1;
    static constexpr int kFolderType = 2;
    static QString NewFolderTitle() { return QStringLiteral("New Folder"); }

    int Type() const { return FolderFlag ? kFolderType : kPageType; }
    int ImageIndex() const { return FolderFlag ? 4 : 3; }
    int SelectedIndex() const { return FolderFlag ? 4 : 16; }
    static TFavoriteEntry Page(int id, const QString& title, const QString& url);
    static TFavoriteEntry Folder(int id, const QString& title);
};

// A node of the favorites tree: one of the three roots (no entry) or a favorite.
struct TFavoriteNode {
    TFavoriteNode* parent = nullptr;
    std::vector<std::unique_ptr<TFavoriteNode>> children;
    std::unique_ptr<TFavoriteEntry> entry; // none for a root
    QString text; // the root's caption, or the entry's title

    bool IsRoot() const { return !entry; }
    bool IsPage() const { return entry && entry->PageFlag; }
    bool IsFolder() const { return entry && entry->FolderFlag; }
    const TFavoriteNode* Root() const;
    TFavoriteNode* Root();
    int Index() const; // among its siblings; -1 for a root
    bool IsInside(const TFavoriteNode* ancestor) const; // itself or below it
    TFavoriteNode* Add(std::unique_ptr<TFavoriteEntry> entry, int position = -1);
    std::unique_ptr<TFavoriteNode> Take();
    // Every node below this one, in display order (each before its children).
    QList<TFavoriteNode*> Descendants();
};

// The files of the favorites: entry files, the tree list files of the pages and groups
// roots, and the internet shortcut files of the browser's favorites folder.
namespace TFavoriteMenuCommand {

inline QString PagesListName() { return QStringLiteral("FavoriteList.txt"); }
inline QString GroupsListName() { return QStringLiteral("FavoriteTabList.txt"); }

QString EntryPath(const QString& folder, int id);
// Reads the entry file of the ID; a missing file or key gives empty values (a page).
TFavoriteEntry LoadEntry(const QString& folder, int id);
// Writes the three keys of the entry; other keys of an existing file stay.
bool SaveEntry(const QString& folder, const TFavoriteEntry& entry, QString* error = nullptr);

// The lines of the list file of a root: level-index-ID-parentID per node below the root,
// in display order.
QStringList ListLines(const TFavoriteNode& root);
// Writes the list of the root (the old file is kept as its backup while writing, unless
// withBackup is false).
bool SaveList(const QString& path, const TFavoriteNode& root, QString* error = nullptr, bool withBackup = true);
// Reads a list file under the root (appending to it). A missing file reads as empty. On
// the first line that cannot be taken (not four numbers, a parent not seen on an earlier
// line) reading stops: the nodes made so far stay and false is returned with the reason.
// A line repeating an ID already read is skipped (noted in *skipped).
bool LoadList(const QString& path, const QString& folder, TFavoriteNode& root, QString* error = nullptr,
              QStringList* skipped = nullptr);

// The title without the characters a file name may not hold: \ / : , ; * ? " < > |
QString TitleForFileName(const QString& title);
// The address of an internet shortcut file ("about:blank" when it names none).
QString ReadShortcut(const QString& path);
bool WriteShortcut(const QString& path, const QString& url, QString* error = nullptr);
// Reads the shortcut folder below the node: a folder node per sub-folder (read below it),
// then a page per file whose name holds ".url", titled by the name before ".url". Returns
// the pages as (title, address) in reading order. Folders reached twice (links) are read
// once.
QList<QPair<QString, QString>> ReadShortcutFolder(const QString& folder, TFavoriteNode& node);

} // namespace TFavoriteMenuCommand
