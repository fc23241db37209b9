#include "history/favoriteaction.h"

#include "browser/tabaction.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/error.h"
#include "core/fileidallocator.h"
#include "core/homefiles.h"
#include "core/inifile.h"
#include "core/log.h"
#include "core/projectdocument.h"
#include "core/safefile.h"
#include "core/tabaccess.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace {

TFavoriteAction* s_instance = nullptr;

const char* const kCommands[] = {
    "ActionFavoritePageAdd", "ActionFavoritePageReplace", "ActionFavoritePageFolderAdd", "ActionFavoriteTabAdd",
    "ActionFavoriteMovePrev", "ActionFavoriteMoveNext", "ActionFavoriteNameEdit", "ActionFavoriteAddressEdit",
    "ActionFavoriteDelete", "ActionFavoriteNavigate", "ActionFavoriteNavigateNewWindow",
    "ActionFavoriteNavigateFolderPages", "ActionFavoriteIEAddFavorite", "ActionFavoriteIEOrganizeFavorite",
};

QStringList& VisitedAddresses()
{
    return App().service<TVisitedAddresses>().addresses;
}

int TabCount()
{
    return App().tabs ? App().tabs->TabCount() : 0;
}

// Takes the browser favorites' titles out of the visited-address list (each title's first
// occurrence) and empties the title map.
void ForgetBrowserTitles()
{
    QList<QPair<QString, QString>>& map = App().service<TFavoriteTitleMap>().entries;
    QStringList& visited = VisitedAddresses();
    for (const auto& item : std::as_const(map)) {
        for (qsizetype i = 0; i < visited.size(); ++i) {
            if (visited.at(i).compare(item.first, Qt::CaseInsensitive) == 0) {
                visited.removeAt(i);
                break;
            }
        }
    }
    map.clear();
}

QStringList SubFolders(const QString& folder)
{
    QStringList result { QString() };
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList found;
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort(Qt::CaseInsensitive);
    return result + found;
}

} // namespace

TFavoriteAction::TFavoriteAction(QObject* parent) : TActionCalverdine(parent)
{
    setObjectName(QStringLiteral("TFavoriteAction"));
    s_instance = this;
    for (int i = 0; i < 3; ++i) {
        m_roots[size_t(i)] = std::make_unique<TFavoriteNode>();
        m_roots[size_t(i)]->text = RootCaption(TRoot(i));
    }
    handle(TEvent::ProjectNewed, &TFavoriteAction::handleProjectOpened);
    handle(TEvent::ProjectOpened, &TFavoriteAction::handleProjectOpened);
    handle(TEvent::ProjectClosed, &TFavoriteAction::handleProjectClosed);
    handle(TEvent::TabWindowAdded, &TFavoriteAction::handleTabState);
    handle(TEvent::TabWindowWasNothing, &TFavoriteAction::handleTabState);
    handle(TEvent::TabWindowActivated, &TFavoriteAction::handleTabState);
    handle(TEvent::BrowserNavigateCompleted, &TFavoriteAction::handleTabState);

    const std::array<void (TFavoriteAction::*)(), 14> handlers = {
        &TFavoriteAction::PageAdd, &TFavoriteAction::PageReplace, &TFavoriteAction::FolderAdd, &TFavoriteAction::TabAdd,
        &TFavoriteAction::MovePrev, &TFavoriteAction::MoveNext, &TFavoriteAction::NameEdit, &TFavoriteAction::AddressEdit,
        &TFavoriteAction::Delete, &TFavoriteAction::Navigate, &TFavoriteAction::NavigateNewWindow,
        &TFavoriteAction::NavigateFolderPages, &TFavoriteAction::BrowserAdd, &TFavoriteAction::BrowserOrganize,
    };
    for (size_t i = 0; i < handlers.size(); ++i) {
        if (QAction* a = App().commands().claim(QString::fromLatin1(kCommands[i]), objectName())) {
            a->setEnabled(false);
            connect(a, &QAction::triggered, this, handlers[i]);
        }
    }
}

TFavoriteAction::~TFavoriteAction()
{
    if (s_instance == this)
        s_instance = nullptr;
}

TFavoriteAction* TFavoriteAction::instance()
{
    return s_instance;
}

QString TFavoriteAction::RootCaption(TRoot root)
{
    switch (root) {
    case Pages:
        return QStringLiteral("お気に入りページ");
    case Groups:
        return QStringLiteral("お気に入りグループ");
    case Browser:
        break;
    }
    return QStringLiteral("ブラウザーのお気に入り");
}

QString TFavoriteAction::BrowserFavoritesFolder()
{
    if (!App().homeDirectory.isEmpty()) {
        TIniFile ini(GlobalSettingsPath());
        ini.load();
        const QString configured = ini.readString(QStringLiteral("Favorite"), QStringLiteral("BrowserFavoritesFolder")).trimmed();
        if (!configured.isEmpty())
            return QDir::cleanPath(QDir::home().absoluteFilePath(configured));
    }
    return QDir::home().filePath(QStringLiteral("Favorites"));
}

QAction* TFavoriteAction::command(const char* name) const
{
    return App().commands().action(QString::fromLatin1(name));
}

bool TFavoriteAction::currentTabUsed() const
{
    TTabView* tab = CurrentTabView();
    return tab && tab->NavigationState() != 0;
}

void TFavoriteAction::UpdateStates()
{
    TFavoriteNode* node = m_selected;
    const bool tab = m_open && TabCount() > 0;
    const bool inGroups = node && node->IsInside(root(Groups));
    const bool inBrowser = node && node->IsInside(root(Browser));
    const bool page = node && node->IsPage();
    const bool pageAdd = tab && currentTabUsed();
    // The browser favorites are read from their folder: renaming or deleting them here would
    // not reach the files, so they are left alone.
    const bool del = m_open && node && !node->IsRoot() && !inBrowser;
    const int index = node ? node->Index() : -1;
    const int siblings = node && node->parent ? int(node->parent->children.size()) : 0;
    bool folderPages = false;
    if (node && (node->IsRoot() || node->IsFolder())) {
        for (const auto& child : node->children)
            folderPages = folderPages || child->IsPage();
    }
    auto set = [this](const char* name, bool enabled) {
        if (QAction* a = command(name))
            a->setEnabled(enabled);
    };
    set("ActionFavoritePageAdd", pageAdd);
    set("ActionFavoritePageReplace", m_open && page && !inBrowser && pageAdd);
    set("ActionFavoritePageFolderAdd", m_open && !inGroups);
    set("ActionFavoriteTabAdd", tab);
    set("ActionFavoriteMovePrev", page && del && index > 0);
    set("ActionFavoriteMoveNext", page && del && index >= 0 && index < siblings - 1);
    set("ActionFavoriteNameEdit", m_open && node && !node->IsRoot() && !inBrowser);
    set("ActionFavoriteAddressEdit", m_open && page && !inBrowser);
    set("ActionFavoriteDelete", del);
    set("ActionFavoriteNavigate", m_open && page);
    set("ActionFavoriteNavigateNewWindow", m_open && page);
    set("ActionFavoriteNavigateFolderPages", m_open && folderPages);
    set("ActionFavoriteIEAddFavorite", m_open);
    set("ActionFavoriteIEOrganizeFavorite", m_open);
}

void TFavoriteAction::Select(TFavoriteNode* node)
{
    if (m_editNode && m_editNode != node)
        FinishEdit(m_editNode, QString(), false);
    m_selected = node;
    UpdateStates();
    Q_EMIT selectionChanged(node);
}

int TFavoriteAction::newId()
{
    try {
        return AllocateFileId();
    } catch (const TError&) {
        return 0; // the allocator has said why
    }
}

bool TFavoriteAction::saveEntry(const TFavoriteEntry& entry)
{
    if (m_folder.isEmpty())
        return true;
    QString error;
    if (TFavoriteMenuCommand::SaveEntry(m_folder, entry, &error))
        return true;
    LogError(QStringLiteral("file save error: ") + TFavoriteMenuCommand::EntryPath(m_folder, entry.ID) + QStringLiteral(" - ") + error);
    return false;
}

bool TFavoriteAction::saveList(TRoot which)
{
    if (m_folder.isEmpty() || which == Browser)
        return true;
    const QString path = QDir(m_folder).filePath(which == Pages ? TFavoriteMenuCommand::PagesListName()
                                                                  : TFavoriteMenuCommand::GroupsListName());
    QString error;
    bool withBackup = true;
    if (m_listDamaged[size_t(which)]) {
        // The list could not be read in full: what it holds is kept beside it before the
        // nodes that were read replace it.
        QString backup;
        if (!safefile::keepBackup(path, &backup, &error)) {
            LogError(QStringLiteral("file save error: ") + path + QStringLiteral(" - ") + error);
            return false;
        }
        m_listDamaged[size_t(which)] = false;
        withBackup = backup.isEmpty();
        if (!backup.isEmpty())
            LogWarn(QStringLiteral("favorites list that could not be read is kept as ") + backup);
    }
    if (TFavoriteMenuCommand::SaveList(path, *root(which), &error, withBackup))
        return true;
    LogError(QStringLiteral("file save error: ") + path + QStringLiteral(" - ") + error);
    return false;
}

bool TFavoriteAction::saveListOf(const TFavoriteNode* node)
{
    const TFavoriteNode* top = node->Root();
    for (int i = 0; i < 3; ++i) {
        if (top == root(TRoot(i)))
            return saveList(TRoot(i));
    }
    return true;
}

void TFavoriteAction::changed(const TFavoriteNode* node)
{
    const TFavoriteNode* top = node->Root();
    for (int i = 0; i < 3; ++i) {
        if (top == root(TRoot(i)))
            Q_EMIT rootChanged(i);
    }
}

TFavoriteNode* TFavoriteAction::placeNew(std::unique_ptr<TFavoriteEntry> entry)
{
    TFavoriteNode* parent = root(Pages);
    if (m_selected && m_selected->entry && m_selected->IsInside(root(Pages)))
        parent = m_selected->IsFolder() ? m_selected : m_selected->parent;
    return addStored(parent, std::move(entry));
}

// A new node is listed only once its entry file is stored: none when the write failed (the
// failure has been reported).
TFavoriteNode* TFavoriteAction::addStored(TFavoriteNode* parent, std::unique_ptr<TFavoriteEntry> entry)
{
    TFavoriteNode* node = parent->Add(std::move(entry));
    if (saveEntry(*node->entry))
        return node;
    node->Take().reset();
    return nullptr;
}

void TFavoriteAction::PageAdd()
{
    TTabView* tab = CurrentTabView();
    if (!m_open || !tab)
        return;
    const int id = newId();
    if (!id)
        return;
    TFavoriteNode* node = placeNew(std::make_unique<TFavoriteEntry>(TFavoriteEntry::Page(id, tab->GetTitle(), tab->GetUrl())));
    if (!node)
        return;
    Q_EMIT rootChanged(Pages);
    Select(node);
    saveList(Pages);
}

void TFavoriteAction::FolderAdd()
{
    if (!m_open)
        return;
    const int id = newId();
    if (!id)
        return;
    TFavoriteNode* node = placeNew(std::make_unique<TFavoriteEntry>(TFavoriteEntry::Folder(id, TFavoriteEntry::NewFolderTitle())));
    if (!node)
        return;
    Q_EMIT rootChanged(Pages);
    Select(node);
    saveList(Pages);
    NameEdit();
}

void TFavoriteAction::TabAdd()
{
    if (!m_open || !App().tabs || TabCount() == 0)
        return;
    const int folderId = newId();
    if (!folderId)
        return;
    TFavoriteNode* folder = addStored(root(Groups), std::make_unique<TFavoriteEntry>(TFavoriteEntry::Folder(folderId, TFavoriteEntry::NewFolderTitle())));
    if (!folder)
        return;
    for (int tabId : App().tabs->TabOrder()) {
        TTabView* tab = App().tabs->FindTab(tabId);
        if (!tab)
            continue;
        const int id = newId();
        if (!id)
            break;
        // The pages stored so far make the group; a failure is reported once.
        if (!addStored(folder, std::make_unique<TFavoriteEntry>(TFavoriteEntry::Page(id, tab->GetTitle(), tab->GetUrl()))))
            break;
    }
    Q_EMIT rootChanged(Groups);
    Q_EMIT showPageRequested();
    Q_EMIT expandRequested(root(Groups));
    Select(folder);
    NameEdit();
    saveList(Groups);
}

void TFavoriteAction::PageReplace()
{
    TTabView* tab = CurrentTabView();
    TFavoriteNode* node = m_selected;
    if (!m_open || !tab || !node || !node->IsPage() || node->IsInside(root(Browser)))
        return;
    node->entry->Title = tab->GetTitle();
    node->entry->URL = tab->GetUrl();
    node->text = node->entry->Title;
    saveEntry(*node->entry);
    Q_EMIT nodeChanged(node);
}

void TFavoriteAction::NameEdit()
{
    TFavoriteNode* node = m_selected;
    if (!m_open || !node || node->IsRoot() || node->IsInside(root(Browser)))
        return;
    m_editNode = node;
    m_editAddress = false;
    Q_EMIT editRequested(node, node->entry->Title);
}

void TFavoriteAction::AddressEdit()
{
    TFavoriteNode* node = m_selected;
    if (!m_open || !node || !node->IsPage() || node->IsInside(root(Browser)))
        return;
    m_editNode = node;
    m_editAddress = true;
    Q_EMIT editRequested(node, node->entry->URL);
}

void TFavoriteAction::FinishEdit(TFavoriteNode* node, const QString& text, bool accepted)
{
    if (!node || node != m_editNode)
        return;
    m_editNode = nullptr;
    if (accepted) {
        if (m_editAddress)
            node->entry->URL = text;
        else
            node->entry->Title = text;
        node->text = node->entry->Title;
        saveEntry(*node->entry);
    } else {
        node->text = node->entry->Title;
    }
    Q_EMIT nodeChanged(node);
}

bool TFavoriteAction::Contains(const TFavoriteNode* node) const
{
    if (!node)
        return false;
    for (const auto& top : m_roots) {
        if (node == top.get() || top->Descendants().contains(const_cast<TFavoriteNode*>(node)))
            return true;
    }
    return false;
}

void TFavoriteAction::Delete()
{
    TFavoriteNode* node = m_selected;
    if (!m_open || !node || node->IsRoot() || node->IsInside(root(Browser)))
        return;
    if (m_editNode && m_editNode->IsInside(node))
        m_editNode = nullptr;
    TFavoriteNode* parent = node->parent;
    TFavoriteNode* top = node->Root();
    node->Take().reset();
    m_selected = nullptr;
    changed(top);
    Select(parent);
    saveListOf(top);
}

void TFavoriteAction::MovePrev()
{
    moveBy(-1);
}

void TFavoriteAction::MoveNext()
{
    moveBy(1);
}

void TFavoriteAction::moveBy(int direction)
{
    TFavoriteNode* node = m_selected;
    if (!m_open || !node || !node->IsPage() || node->IsInside(root(Browser)))
        return;
    const int index = node->Index();
    TFavoriteNode* parent = node->parent;
    const int other = index + direction;
    if (other < 0 || other >= int(parent->children.size()))
        return;
    TFavoriteNode* sibling = parent->children[size_t(other)].get();
    TFavoriteNode* target = sibling;
    if (direction < 0 && !sibling->children.empty()) {
        // The node before a page: the previous sibling's last descendant.
        target = sibling->Descendants().constLast();
    } else if (direction > 0 && !sibling->children.empty()) {
        // Exchanging the page's entry with a folder that holds favorites would put those
        // below a page: the page goes past the folder instead.
        std::unique_ptr<TFavoriteNode> owned = node->Take();
        owned->parent = parent;
        parent->children.insert(parent->children.begin() + index + 1, std::move(owned));
        changed(parent);
        Select(node);
        saveListOf(parent);
        return;
    }
    std::swap(node->entry, target->entry);
    std::swap(node->text, target->text);
    changed(node);
    Select(target);
    saveListOf(node);
}

void TFavoriteAction::OpenNode(TFavoriteNode* node, bool newWindow)
{
    if (!m_open || !node || !node->IsPage() || !App().tabs)
        return;
    if (newWindow && TabCount() > 0)
        App().tabs->OpenTab(node->entry->URL);
    else
        App().tabs->NavigateCurrentTab(node->entry->URL);
}

void TFavoriteAction::Navigate()
{
    if (m_selected && m_selected->IsPage())
        OpenNode(m_selected, false);
    else
        NavigateFolderPages();
}

void TFavoriteAction::NavigateNewWindow()
{
    if (m_selected && m_selected->IsPage())
        OpenNode(m_selected, true);
    else
        NavigateFolderPages();
}

void TFavoriteAction::NavigateFolderPages()
{
    TFavoriteNode* node = m_selected;
    if (!m_open || !node || !App().tabs)
        return;
    if (node->IsPage()) {
        OpenNode(node, false);
        return;
    }
    QStringList urls;
    for (const auto& child : node->children) {
        if (child->IsPage())
            urls << child->entry->URL;
    }
    bool first = TabCount() == 0;
    for (const QString& url : urls) {
        if (first)
            App().tabs->NavigateCurrentTab(url);
        else
            App().tabs->OpenTab(url);
        first = false;
    }
}

bool TFavoriteAction::CanDrop(const TFavoriteNode* dragged, const TFavoriteNode* target) const
{
    if (!m_open || !dragged || !target)
        return false;
    if (dragged->IsRoot() || target->IsPage() || target == root(Groups))
        return false;
    if (target->IsInside(root(Groups)) && dragged->IsFolder())
        return false;
    if (target->IsInside(root(Browser)) || target->IsInside(dragged))
        return false;
    return true;
}

void TFavoriteAction::copySubtree(const TFavoriteNode& from, TFavoriteNode& to, int position, bool newEntries)
{
    auto entry = std::make_unique<TFavoriteEntry>(*from.entry);
    if (newEntries) {
        entry->ID = newId();
        if (!entry->ID)
            return;
        saveEntry(*entry);
    }
    TFavoriteNode* node = to.Add(std::move(entry), position);
    for (const auto& child : from.children)
        copySubtree(*child, *node, -1, newEntries);
}

bool TFavoriteAction::Drop(TFavoriteNode* dragged, TFavoriteNode* target)
{
    if (!CanDrop(dragged, target))
        return false;
    if (m_editNode)
        FinishEdit(m_editNode, QString(), false);
    TFavoriteNode* placed = nullptr;
    if (dragged->Root() == target->Root()) {
        std::unique_ptr<TFavoriteNode> owned = dragged->Take();
        owned->parent = target;
        placed = owned.get();
        target->children.insert(target->children.begin(), std::move(owned));
    } else {
        copySubtree(*dragged, *target, 0, true);
        placed = target->children.empty() ? nullptr : target->children.front().get();
    }
    changed(target);
    Select(placed);
    saveListOf(target);
    return true;
}

void TFavoriteAction::ReadBrowserFavorites()
{
    ForgetBrowserTitles();
    QList<QPair<QString, QString>>& map = App().service<TFavoriteTitleMap>().entries;
    QStringList& visited = VisitedAddresses();
    TFavoriteNode* browser = root(Browser);
    if (m_selected && m_selected->IsInside(browser) && m_selected != browser)
        m_selected = nullptr;
    if (m_editNode && m_editNode->IsInside(browser))
        m_editNode = nullptr;
    browser->children.clear();
    if (m_open) {
        map = TFavoriteMenuCommand::ReadShortcutFolder(BrowserFavoritesFolder(), *browser);
        for (const auto& item : std::as_const(map))
            visited.append(item.first);
    }
    Q_EMIT rootChanged(Browser);
    UpdateStates();
    App().bus().NotifyBrowserAddressAdded(0);
}

void TFavoriteAction::BrowserAdd()
{
    TTabView* tab = CurrentTabView();
    if (!m_open || !tab || !m_addDialog)
        return;
    const QString folder = BrowserFavoritesFolder();
    const QStringList subFolders = QFileInfo(folder).isDir() ? SubFolders(folder) : QStringList { QString() };
    QString name = TFavoriteMenuCommand::TitleForFileName(tab->GetTitle());
    QString subFolder;
    if (!m_addDialog(name, subFolder, subFolders))
        return;
    name = TFavoriteMenuCommand::TitleForFileName(name).trimmed();
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || !subFolders.contains(subFolder))
        return;
    const QString directory = subFolder.isEmpty() ? folder : QDir(folder).filePath(subFolder);
    const QString path = QDir(directory).filePath(name + QStringLiteral(".url"));
    QString error;
    if (!QDir().mkpath(directory) || !TFavoriteMenuCommand::WriteShortcut(path, tab->GetUrl(), &error)) {
        LogError(QStringLiteral("file save error: ") + path + (error.isEmpty() ? QString() : QStringLiteral(" - ") + error));
        return;
    }
    ReadBrowserFavorites();
}

void TFavoriteAction::BrowserOrganize()
{
    if (!m_open)
        return;
    const QString folder = BrowserFavoritesFolder();
    QDir().mkpath(folder);
    if (m_folderOpener)
        m_folderOpener(folder);
    ReadBrowserFavorites();
    watchBrowserFolder();
}

void TFavoriteAction::watchBrowserFolder()
{
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
            if (m_rereadPending)
                return;
            m_rereadPending = true;
            // One reading for a burst of changes (a move is a removal and an addition).
            QTimer::singleShot(0, this, [this] {
                m_rereadPending = false;
                if (!m_open || !m_watcher)
                    return;
                ReadBrowserFavorites();
                watchBrowserFolder();
            });
        });
    }
    const QString folder = BrowserFavoritesFolder();
    QStringList folders { folder };
    for (const QString& sub : SubFolders(folder)) {
        if (!sub.isEmpty())
            folders << QDir(folder).filePath(sub);
    }
    const QStringList watched = m_watcher->directories();
    for (const QString& path : folders) {
        if (!watched.contains(path))
            m_watcher->addPath(path);
    }
}

void TFavoriteAction::stopWatching()
{
    delete m_watcher;
    m_watcher = nullptr;
    m_rereadPending = false;
}

void TFavoriteAction::loadList(TRoot which)
{
    const QString path = QDir(m_folder).filePath(which == Pages ? TFavoriteMenuCommand::PagesListName()
                                                                  : TFavoriteMenuCommand::GroupsListName());
    QString error;
    QStringList skipped;
    if (!TFavoriteMenuCommand::LoadList(path, m_folder, *root(which), &error, &skipped)) {
        m_listDamaged[size_t(which)] = true;
        LogError(QStringLiteral("file load error: ") + path + QStringLiteral(" - ") + error);
    }
    for (const QString& line : std::as_const(skipped))
        LogWarn(QStringLiteral("favorites list line repeats an ID and is left out: ") + path + QStringLiteral(" - ") + line);
}

void TFavoriteAction::handleProjectOpened(int)
{
    if (m_open)
        clearAll();
    m_open = true;
    m_listDamaged = {};
    TXMLProjectType* project = App().currentProject();
    const QString rootDirectory = project ? project->RootDirectory().trimmed() : QString();
    m_folder = rootDirectory.isEmpty() ? QString() : QDir(rootDirectory).filePath(QStringLiteral("Favorite"));
    if (!m_folder.isEmpty()) {
        QDir().mkdir(m_folder);
        loadList(Pages);
        loadList(Groups);
    }
    Q_EMIT rootChanged(Pages);
    Q_EMIT rootChanged(Groups);
    ReadBrowserFavorites();
    Select(nullptr);
}

void TFavoriteAction::clearAll()
{
    stopWatching();
    m_editNode = nullptr;
    m_selected = nullptr;
    for (auto& top : m_roots)
        top->children.clear();
    ForgetBrowserTitles();
    m_open = false;
    m_folder.clear();
}

void TFavoriteAction::handleProjectClosed(int)
{
    clearAll();
    for (int i = 0; i < 3; ++i)
        Q_EMIT rootChanged(i);
    Select(nullptr);
}

void TFavoriteAction::handleTabState(int)
{
    UpdateStates();
}
