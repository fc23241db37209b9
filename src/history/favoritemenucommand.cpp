#include "history/favoritemenucommand.h"

#include "core/inifile.h"
#include "core/safefile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

TFavoriteEntry TFavoriteEntry::Page(int id, const QString& title, const QString& url)
{
    TFavoriteEntry entry;
    entry.ID = id;
    entry.Title = title;
    entry.URL = url;
    return entry;
}

TFavoriteEntry TFavoriteEntry::Folder(int id, const QString& title)
{
    TFavoriteEntry entry;
    entry.ID = id;
    entry.Title = title;
    entry.PageFlag = false;
    entry.FolderFlag = true;
    return entry;
}

const TFavoriteNode* TFavoriteNode::Root() const
{
    const TFavoriteNode* node = this;
    while (node->parent)
        node = node->parent;
    return node;
}

TFavoriteNode* TFavoriteNode::Root()
{
    return const_cast<TFavoriteNode*>(std::as_const(*this).Root());
}

int TFavoriteNode::Index() const
{
    if (!parent)
        return -1;
    for (size_t i = 0; i < parent->children.size(); ++i) {
        if (parent->children[i].get() == this)
            return int(i);
    }
    return -1;
}

bool TFavoriteNode::IsInside(const TFavoriteNode* ancestor) const
{
    for (const TFavoriteNode* node = this; node; node = node->parent) {
        if (node == ancestor)
            return true;
    }
    return false;
}

TFavoriteNode* TFavoriteNode::Add(std::unique_ptr<TFavoriteEntry> newEntry, int position)
{
    auto node = std::make_unique<TFavoriteNode>();
    node->parent = this;
    node->text = newEntry ? newEntry->Title : QString();
    node->entry = std::move(newEntry);
    TFavoriteNode* raw = node.get();
    if (position < 0 || position > int(children.size()))
        position = int(children.size());
    children.insert(children.begin() + position, std::move(node));
    return raw;
}

std::unique_ptr<TFavoriteNode> TFavoriteNode::Take()
{
    const int index = Index();
    if (index < 0)
        return nullptr;
    std::unique_ptr<TFavoriteNode> self = std::move(parent->children[size_t(index)]);
    parent->children.erase(parent->children.begin() + index);
    parent = nullptr;
    return self;
}

QList<TFavoriteNode*> TFavoriteNode::Descendants()
{
    QList<TFavoriteNode*> nodes;
    for (const auto& child : children) {
        nodes << child.get();
        nodes << child->Descendants();
    }
    return nodes;
}

namespace TFavoriteMenuCommand {

namespace {

const QString kItem = QStringLiteral("Item");

void AppendLines(const TFavoriteNode& node, int level, QStringList& lines)
{
    for (size_t i = 0; i < node.children.size(); ++i) {
        const TFavoriteNode& child = *node.children[i];
        const int id = child.entry ? child.entry->ID : 0;
        const int parentId = node.entry ? node.entry->ID : 0;
        lines << QStringLiteral("%1-%2-%3-%4").arg(level).arg(i).arg(id).arg(parentId);
        AppendLines(child, level + 1, lines);
    }
}

void ReadFolder(const QString& folder, TFavoriteNode& node, QSet<QString>& seen, QList<QPair<QString, QString>>& pages)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || seen.contains(canonical))
        return;
    seen.insert(canonical);
    const QDir dir(folder);
    for (const QFileInfo& sub : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        TFavoriteNode* child = node.Add(std::make_unique<TFavoriteEntry>(TFavoriteEntry::Folder(0, sub.fileName())));
        ReadFolder(sub.filePath(), *child, seen, pages);
    }
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
        const qsizetype at = file.fileName().indexOf(QLatin1String(".url"), 0, Qt::CaseInsensitive);
        if (at < 0)
            continue;
        const QString title = file.fileName().left(at);
        const QString url = ReadShortcut(file.filePath());
        node.Add(std::make_unique<TFavoriteEntry>(TFavoriteEntry::Page(0, title, url)));
        pages.append({ title, url });
    }
}

} // namespace

QString EntryPath(const QString& folder, int id)
{
    return QDir(folder).filePath(QString::number(id) + QStringLiteral(".ini"));
}

TFavoriteEntry LoadEntry(const QString& folder, int id)
{
    TIniFile file(EntryPath(folder, id));
    file.load();
    TFavoriteEntry entry;
    entry.ID = id;
    const bool folderType = file.readInteger(kItem, QStringLiteral("Type"), TFavoriteEntry::kPageType) == TFavoriteEntry::kFolderType;
    entry.FolderFlag = folderType;
    entry.PageFlag = !folderType;
    entry.Title = file.readString(kItem, QStringLiteral("Title"));
    entry.URL = file.readString(kItem, QStringLiteral("URL"));
    return entry;
}

bool SaveEntry(const QString& folder, const TFavoriteEntry& entry, QString* error)
{
    TIniFile file(EntryPath(folder, entry.ID));
    if (!file.load(error))
        return false;
    file.writeInteger(kItem, QStringLiteral("Type"), entry.Type());
    file.writeString(kItem, QStringLiteral("Title"), entry.Title);
    file.writeString(kItem, QStringLiteral("URL"), entry.FolderFlag ? QString() : entry.URL);
    return file.save(error);
}

QStringList ListLines(const TFavoriteNode& root)
{
    QStringList lines;
    AppendLines(root, 1, lines);
    return lines;
}

bool SaveList(const QString& path, const TFavoriteNode& root, QString* error, bool withBackup)
{
    QByteArray bytes;
    for (const QString& line : ListLines(root))
        bytes += line.toLatin1() + "\r\n";
    return safefile::write(path, bytes, withBackup ? safefile::Backup::Copy : safefile::Backup::None, error);
}

bool LoadList(const QString& path, const QString& folder, TFavoriteNode& root, QString* error, QStringList* skipped)
{
    if (!QFileInfo::exists(path))
        return true;
    QByteArray bytes;
    if (!safefile::read(path, &bytes, error))
        return false;
    QHash<qint64, TFavoriteNode*> nodes;
    nodes.insert(0, &root);
    int lineNumber = 0;
    for (QByteArray line : bytes.split('\n')) {
        ++lineNumber;
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split('-');
        qint64 numbers[4] = {};
        bool ok = fields.size() == 4;
        for (int i = 0; ok && i < 4; ++i)
            numbers[i] = fields.at(i).toLongLong(&ok);
        if (!ok || numbers[2] <= 0 || numbers[2] > 0x7fffffff || numbers[3] < 0) {
            if (error)
                *error = QStringLiteral("line %1 is not a favorites list line: %2").arg(lineNumber).arg(QString::fromLatin1(line));
            return false;
        }
        const qint64 id = numbers[2];
        TFavoriteNode* parent = nodes.value(numbers[3]);
        // The parent must have been read before; a node can thus never be its own ancestor.
        if (!parent) {
            if (error)
                *error = QStringLiteral("line %1 names the parent %2 that was not read before").arg(lineNumber).arg(numbers[3]);
            return false;
        }
        if (nodes.contains(id)) {
            if (skipped)
                skipped->append(QString::fromLatin1(line));
            continue;
        }
        auto entry = std::make_unique<TFavoriteEntry>(LoadEntry(folder, int(id)));
        nodes.insert(id, parent->Add(std::move(entry)));
    }
    return true;
}

QString TitleForFileName(const QString& title)
{
    static const QString forbidden = QStringLiteral("\\/:,;*?\"<>|");
    QString result;
    for (const QChar c : title) {
        if (!forbidden.contains(c))
            result += c;
    }
    return result;
}

QString ReadShortcut(const QString& path)
{
    TIniFile file(path);
    file.load();
    const QString section = QStringLiteral("InternetShortcut");
    if (!file.keyExists(section, QStringLiteral("URL")))
        return QStringLiteral("about:blank");
    return file.readString(section, QStringLiteral("URL"));
}

bool WriteShortcut(const QString& path, const QString& url, QString* error)
{
    TIniFile file(path);
    if (!file.load(error))
        return false;
    file.writeString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"), url);
    return file.save(error);
}

QList<QPair<QString, QString>> ReadShortcutFolder(const QString& folder, TFavoriteNode& node)
{
    QList<QPair<QString, QString>> pages;
    QSet<QString> seen;
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        ReadFolder(folder, node, seen, pages);
    return pages;
}

} // namespace TFavoriteMenuCommand
