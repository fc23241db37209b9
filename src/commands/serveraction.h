#pragma once

#include "core/eventbus.h"

#include <QString>

class QAction;

// The proxy every page of the process goes through.
struct TProxyChoice {
    enum Mode { System = 0, Direct = 1, Project = 2 };
    Mode mode = Direct;
    QString host;
    quint16 port = 0;

    // The project's choice: ProxyServer 0 (the platform's own settings), 1 (none) or 2 (the
    // project's address and port). An address without a usable port is no proxy.
    static TProxyChoice FromProject(int proxyServer, const QString& address, const QString& port);
    bool operator==(const TProxyChoice& other) const = default;
};

// Applies a choice to the whole process (the engine reads the application proxy at its next
// request).
void ApplyProxyChoice(const TProxyChoice& choice);
// The choice in force, as the application proxy shows it.
TProxyChoice CurrentProxyChoice();

// The proxy controller: the "サーバー" menu's radio pair switches every tab between a direct
// connection and the project's proxy; opening a project applies the project's choice.
class TServerAction final : public TActionCalverdine {
    Q_OBJECT
public:
    explicit TServerAction(QObject* parent = nullptr);

    void Disconnect();
    void Connect();

private:
    void handleProjectOpened(int);
    void handleProjectClosed(int);

    QAction* m_direct = nullptr;
    QAction* m_connect = nullptr;
};
