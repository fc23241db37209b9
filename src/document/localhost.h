#pragma once

#include <QString>
#include <QStringList>

// The names under which this computer serves pages: "LOCALHOST", "127.0.0.1", "::1", and
// the host name's official name and first IPv4 address when it resolves. Built on first use.
class TLocalHostList {
public:
    TLocalHostList();
    // A fixed list (tests).
    explicit TLocalHostList(QStringList hosts) : m_hosts(std::move(hosts)) {}

    bool contains(const QString& host) const { return m_hosts.contains(host, Qt::CaseInsensitive); }
    const QStringList& hosts() const { return m_hosts; }

private:
    QStringList m_hosts;
};

// Whether the page at the address is local: a "file:" address, or one whose host is in
// the local host list. Scripts run and hidden, read-only and disabled fields are written
// only on local pages.
bool IsLocalURL(const QString& address);
