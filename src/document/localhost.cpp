#include "document/localhost.h"

#include "core/appcontext.h"

#include <QSysInfo>
#include <QUrl>

#include <netdb.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

TLocalHostList::TLocalHostList()
    : m_hosts({ QStringLiteral("LOCALHOST"), QStringLiteral("127.0.0.1"), QStringLiteral("::1") })
{
    const QByteArray hostName = QSysInfo::machineHostName().toLocal8Bit();
    if (hostName.isEmpty())
        return;
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    if (getaddrinfo(hostName.constData(), nullptr, &hints, &found) != 0 || !found)
        return;
    if (found->ai_canonname && *found->ai_canonname)
        m_hosts.append(QString::fromLocal8Bit(found->ai_canonname));
    if (found->ai_addr && found->ai_family == AF_INET) {
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text))
            m_hosts.append(QString::fromLatin1(text));
    }
    freeaddrinfo(found);
}

bool IsLocalURL(const QString& address)
{
    const QString trimmed = address.trimmed();
    if (trimmed.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return true;
    // The host as the browser reads it: "http://localhost@example.com/" is not local.
    const QUrl url(trimmed);
    if (!url.isValid() || url.host().isEmpty())
        return false;
    return App().service<TLocalHostList>().contains(url.host());
}
