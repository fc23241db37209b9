#include "history/historystore.h"

#include "core/inifile.h"
#include "document/urlextract.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

const QString kItem = QStringLiteral("Item");
const QString kEqual = QStringLiteral("__EQUAL__");

// A title as an INI key: a key ends at its first "=" and at the line's end, so those are
// written escaped (and read back); an empty title is listed under its address.
QString TitleKey(const THistoryEntry& entry)
{
    QString key = entry.Title.trimmed().isEmpty() ? entry.Url : entry.Title;
    key.replace(QLatin1Char('\r'), QLatin1Char(' '));
    key.replace(QLatin1Char('\n'), QLatin1Char(' '));
    key.replace(QLatin1Char('='), kEqual);
    key = key.trimmed();
    if (key.startsWith(QLatin1Char('[')) || key.startsWith(QLatin1Char(';')))
        key.prepend(QLatin1Char(' '));
    return key;
}

// A domain name as a file name: only a host can be one.
bool UsableDomainFileName(const QString& domain)
{
    return !domain.isEmpty() && !domain.contains(QLatin1Char('/')) && !domain.contains(QLatin1Char('\\'))
        && domain != QLatin1String(".") && domain != QLatin1String("..");
}

} // namespace

QString THistoryStore::EscapeAddress(const QString& url)
{
    QString escaped = url;
    return escaped.replace(QLatin1Char('='), kEqual);
}

QString THistoryStore::DomainOf(const QString& url)
{
    return TURLExtract(url).Domain;
}

bool THistoryStore::RecordVisit(const THistoryEntry& entry, bool* addedToDomains)
{
    bool added = false;
    if (m_allVisits.isEmpty() || m_allVisits.first().Url != entry.Url) {
        m_allVisits.prepend(entry);
        added = true;
    }
    const bool newPage = AddToDomains(entry);
    if (addedToDomains)
        *addedToDomains = newPage;
    return added;
}

bool THistoryStore::StandsInForTitle(const QString& title, const QString& url)
{
    if (title.isEmpty() || title == url)
        return true;
    return url.endsWith(title) && url.left(url.size() - title.size()).endsWith(QLatin1String("://"));
}

bool THistoryStore::NameUntitledPage(const QString& url, const QString& title)
{
    if (url.isEmpty() || StandsInForTitle(title, url))
        return false;
    auto untitled = [&url](const THistoryEntry& entry) { return StandsInForTitle(entry.Title, url); };
    bool changed = false;
    if (!m_allVisits.isEmpty() && m_allVisits.first().Url == url && untitled(m_allVisits.first())) {
        m_allVisits.first().Title = title;
        changed = true;
    }
    const QString escaped = EscapeAddress(url);
    auto known = m_addresses.find(escaped);
    if (known != m_addresses.end() && untitled(*known)) {
        known->Title = title;
        auto domain = m_domains.find(DomainOf(url));
        if (domain != m_domains.end() && domain->contains(escaped))
            (*domain)[escaped].Title = title;
        changed = true;
    }
    return changed;
}

bool THistoryStore::AddToDomains(const THistoryEntry& entry)
{
    const QString escaped = EscapeAddress(entry.Url);
    if (m_addresses.contains(escaped))
        return false;
    m_addresses.insert(escaped, entry);
    const QString domain = DomainOf(entry.Url);
    if (!m_domains.contains(domain))
        m_domainOrder.append(domain);
    m_domains[domain].insert(escaped, entry);
    return true;
}

void THistoryStore::Clear()
{
    m_allVisits.clear();
    m_addresses.clear();
    m_domains.clear();
    m_domainOrder.clear();
    m_unreadDomains.clear();
    m_listReadError.clear();
}

QStringList THistoryStore::Load(const QString& folder)
{
    QStringList read;
    TIniFile list(QDir(folder).filePath(DomainListFileName()));
    if (!list.load(&m_listReadError))
        return read;
    QSet<QString> seen;
    for (const QString& key : list.keyNames(kItem)) {
        const QString domain = list.readString(kItem, key).trimmed();
        // A domain listed twice is read once; a name that is no file name is not read.
        if (!UsableDomainFileName(domain) || seen.contains(domain.toLower()))
            continue;
        seen.insert(domain.toLower());
        TIniFile pages(QDir(folder).filePath(domain + QStringLiteral(".ini")));
        if (!pages.load()) {
            m_unreadDomains.append(domain);
            continue;
        }
        for (const QString& title : pages.keyNames(kItem)) {
            THistoryEntry entry;
            entry.Title = QString(title).replace(kEqual, QStringLiteral("="));
            entry.Url = pages.readString(kItem, title);
            if (entry.Url.isEmpty())
                continue;
            AddToDomains(entry);
            read.append(entry.Url);
        }
    }
    return read;
}

bool THistoryStore::Save(const QString& folder, QString* error) const
{
    // A list that was there but could not be read would be replaced by this session's
    // domains alone, and their files by this session's pages: nothing is saved over them.
    if (!m_listReadError.isEmpty()) {
        if (error)
            *error = m_listReadError + QStringLiteral(" (the history is not saved over it)");
        return false;
    }
    QDir().mkpath(folder);
    TIniFile list(QDir(folder).filePath(DomainListFileName()));
    int index = 0;
    bool ok = true;
    for (const QString& domain : m_domainOrder) {
        if (!UsableDomainFileName(domain))
            continue;
        TIniFile pages(QDir(folder).filePath(domain + QStringLiteral(".ini")));
        if (m_unreadDomains.contains(domain, Qt::CaseInsensitive)) {
            // Its file holds pages this session never read: it is kept as it is (and listed
            // below); the pages visited now are not stored.
            ok = false;
            if (error && error->isEmpty())
                *error = pages.fileName() + QStringLiteral(": could not be read (not saved over)");
            continue;
        }
        for (const THistoryEntry& entry : m_domains.value(domain)) {
            // Keys ignore letter case: a second page of the same title gets a number.
            const QString base = TitleKey(entry);
            QString key = base;
            for (int n = 2; pages.keyExists(kItem, key); ++n)
                key = base + QStringLiteral(" (%1)").arg(n);
            pages.writeString(kItem, key, entry.Url);
        }
        QString message;
        if (!pages.save(&message)) {
            ok = false;
            if (error && error->isEmpty())
                *error = message;
            // The file as it was stays listed: its pages are read again next time.
            if (!QFileInfo::exists(pages.fileName()))
                continue;
        }
        list.writeString(kItem, QString::number(index++), domain);
    }
    // Files that could not be read are neither written nor dropped from the list.
    for (const QString& domain : m_unreadDomains) {
        if (QFileInfo::exists(QDir(folder).filePath(domain + QStringLiteral(".ini"))))
            list.writeString(kItem, QString::number(index++), domain);
    }
    QString message;
    if (!list.save(&message)) {
        if (error && error->isEmpty())
            *error = message;
        return false;
    }
    return ok;
}

QStringList TravelMenuCaptions(const QList<THistoryEntry>& entries)
{
    static const QString kKeys = QStringLiteral("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QStringList captions;
    for (int i = 0; i < entries.size(); ++i) {
        QString caption = entries.at(i).Title;
        if (i < kKeys.size())
            caption += QStringLiteral("(&") + kKeys.at(i) + QLatin1Char(')');
        captions.append(caption);
    }
    return captions;
}
