#include "commands/serveraction.h"

#include "browser/proxyrelay.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/log.h"
#include "core/projectdocument.h"

#include <QAction>
#include <QActionGroup>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>

TProxyChoice TProxyChoice::FromProject(int proxyServer, const QString& address, const QString& port)
{
    TProxyChoice choice;
    if (proxyServer == System) {
        choice.mode = System;
        return choice;
    }
    if (proxyServer != Project)
        return choice;
    bool ok = false;
    const uint number = port.trimmed().toUInt(&ok);
    if (address.trimmed().isEmpty() || !ok || number == 0 || number > 65535)
        return choice;
    choice.mode = Project;
    choice.host = address.trimmed();
    choice.port = quint16(number);
    return choice;
}

namespace {

TProxyChoice& ChoiceInForce()
{
    static TProxyChoice choice;
    return choice;
}

} // namespace

void ApplyProxyChoice(const TProxyChoice& choice)
{
    ChoiceInForce() = choice;
    if (TProxyRelay* relay = TProxyRelay::instance()) {
        // The engine sends everything to the relay; the relay takes the choice from the
        // next request on (the application proxy would take the engine off the relay).
        TProxyRelay::TRoute route;
        route.kind = choice.mode == TProxyChoice::Project ? TProxyRelay::TRoute::Proxy
                   : choice.mode == TProxyChoice::System  ? TProxyRelay::TRoute::System
                                                          : TProxyRelay::TRoute::Direct;
        route.host = choice.host;
        route.port = choice.port;
        relay->setRoute(route);
        return;
    }
    switch (choice.mode) {
    case TProxyChoice::System:
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        break;
    case TProxyChoice::Direct:
        QNetworkProxyFactory::setUseSystemConfiguration(false);
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        break;
    case TProxyChoice::Project:
        QNetworkProxyFactory::setUseSystemConfiguration(false);
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, choice.host, choice.port));
        break;
    }
}

TProxyChoice CurrentProxyChoice()
{
    return ChoiceInForce();
}

TServerAction::TServerAction(QObject* parent) : TActionCalverdine(parent)
{
    setObjectName(QStringLiteral("ServerAction"));
    handle(TEvent::ProjectNewed, &TServerAction::handleProjectOpened);
    handle(TEvent::ProjectOpened, &TServerAction::handleProjectOpened);
    handle(TEvent::ProjectClosed, &TServerAction::handleProjectClosed);
    TCommandList& commands = App().commands();
    m_direct = commands.claim(QStringLiteral("ActionServerProxyDisconnect"), objectName());
    m_connect = commands.claim(QStringLiteral("ActionServerProxyConnect"), objectName());
    // Connecting through another browser's settings has no counterpart here: ProxyServer 0
    // takes the platform's own settings at project opening. The command stays disabled.
    if (QAction* viaSettings = commands.claim(QStringLiteral("ActionServerProxyConnectIE"), objectName()))
        viaSettings->setEnabled(false);
    for (QAction* a : { m_direct, m_connect }) {
        if (a) {
            a->setCheckable(true);
            a->setEnabled(false);
        }
    }
    if (m_direct)
        connect(m_direct, &QAction::triggered, this, &TServerAction::Disconnect);
    if (m_connect)
        connect(m_connect, &QAction::triggered, this, &TServerAction::Connect);
}

void TServerAction::Disconnect()
{
    if (m_direct)
        m_direct->setChecked(true);
    ApplyProxyChoice(TProxyChoice());
}

void TServerAction::Connect()
{
    TXMLProjectType* project = App().currentProject();
    if (!project)
        return;
    const TProxyChoice choice = TProxyChoice::FromProject(TProxyChoice::Project, project->ProxyServerAddress(), project->ProxyServerPort());
    if (choice.mode != TProxyChoice::Project) {
        // An address or port that names no server: stay direct rather than claim a proxy, and
        // say so, since the menu then shows the direct connection the user did not choose.
        LogError(QStringLiteral("proxy server address is not usable: ") + project->ProxyServerAddress()
                 + QLatin1Char(':') + project->ProxyServerPort());
        Disconnect();
        return;
    }
    if (m_connect)
        m_connect->setChecked(true);
    ApplyProxyChoice(choice);
}

void TServerAction::handleProjectOpened(int)
{
    for (QAction* a : { m_direct, m_connect }) {
        if (a)
            a->setEnabled(true);
    }
    TXMLProjectType* project = App().currentProject();
    if (!project)
        return;
    const int mode = project->ProxyServer();
    if (mode == TProxyChoice::Direct) {
        Disconnect();
    } else if (mode == TProxyChoice::Project) {
        Connect();
    } else if (mode == TProxyChoice::System) {
        // The platform's own settings: neither item is checked.
        for (QAction* a : { m_direct, m_connect }) {
            if (a && a->actionGroup())
                a->actionGroup()->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
            if (a)
                a->setChecked(false);
        }
        ApplyProxyChoice(TProxyChoice::FromProject(TProxyChoice::System, QString(), QString()));
    }
}

void TServerAction::handleProjectClosed(int)
{
    for (QAction* a : { m_direct, m_connect }) {
        if (a)
            a->setEnabled(false);
    }
}
