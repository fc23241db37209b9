#pragma once

#include "core/tabaccess.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The visits of a project: every visit newest first, and the visited pages grouped by
// domain, with the history files of the "TabWindow" folder that keep the per-domain pages
// from one session to the next.
class THistoryStore {
public:
    // Pages of one domain, keyed by escaped address (sorted, case-sensitive).
    using TDomainPages = QMap<QString, THistoryEntry>;

    // The address with every "=" replaced by "__EQUAL__".
    static QString EscapeAddress(const QString& url);
    // The domain a page is listed under: the host of its address.
    static QString DomainOf(const QString& url);

    // Records a visit. The visit is added to the all-visits list unless it repeats the
    // newest one's address (a reload); returns whether it was added. A page new to the
    // per-domain view is added there too (*newDomain tells whether its domain is new).
    bool RecordVisit(const THistoryEntry& entry, bool* addedToDomains = nullptr);
    // What the engine shows in place of a title it does not know yet: nothing, the address,
    // or the address without its scheme.
    static bool StandsInForTitle(const QString& title, const QString& url);
    // Gives the page its title where it was recorded before its title was known (its title
    // then is its address, or empty): in the newest visit, when that is the page, and in the
    // per-domain view. Returns whether anything changed.
    bool NameUntitledPage(const QString& url, const QString& title);
    // Adds a page to the per-domain view; false when its escaped address is known already.
    bool AddToDomains(const THistoryEntry& entry);

    const QList<THistoryEntry>& AllVisits() const { return m_allVisits; } // newest first
    const QMap<QString, TDomainPages>& Domains() const { return m_domains; }
    QStringList DomainNames() const { return m_domainOrder; } // in the order they were added
    bool ContainsAddress(const QString& url) const { return m_addresses.contains(EscapeAddress(url)); }
    void Clear();

    // Reads "DomainHistryList.ini" and one "<domain>.ini" per domain listed there; returns
    // the addresses read, in file order. Missing files read as empty; a domain's file that
    // cannot be read stays listed when the history is saved.
    QStringList Load(const QString& folder);
    // Writes the per-domain pages in the form Load reads; each file is replaced atomically.
    // A domain whose file could not be read or written stays listed while its file is there;
    // a file (or the list) that could not be read is not saved over.
    bool Save(const QString& folder, QString* error = nullptr) const;

    static QString DomainListFileName() { return QStringLiteral("DomainHistryList.ini"); }

private:
    QList<THistoryEntry> m_allVisits;
    QMap<QString, THistoryEntry> m_addresses; // escaped address -> entry
    QMap<QString, TDomainPages> m_domains;
    QStringList m_domainOrder;
    QStringList m_unreadDomains; // listed, but their file could not be read
    QString m_listReadError;     // the domain list was there but could not be read
};

// The captions of a back or forward drop-down menu: the title followed by "(&", the
// (i + 1)-th character of "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ" and ")" while there is one.
QStringList TravelMenuCaptions(const QList<THistoryEntry>& entries);
