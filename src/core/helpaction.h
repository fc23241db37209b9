#pragma once

#include "core/eventbus.h"

#include <QString>

#include <functional>

// The help commands: the help page (the commands of every menu with their shortcuts, shown
// in a window of its own, so it takes no tab and no screen of the project), the version
// information, and the tool's home page when one is configured. It handles no events.
class THelpAction final : public TActionCalverdine {
    Q_OBJECT
public:
    // Shows the help page's HTML (the views give it a window).
    using TPageViewer = std::function<void(const QString& html)>;

    // The engine's version is shown with the tool's in the version information.
    explicit THelpAction(const QString& engineVersion = QString(), TPageViewer showPage = {},
                         QObject* parent = nullptr);

    // The help page as HTML: every command with its caption and shortcut, by category.
    static QString HelpPageHtml();
    // The text of the version information box.
    static QString VersionText(const QString& engineVersion);
    // The configured home page of the tool; empty when none (the command stays disabled).
    static QString HomepageUrl();

private:
    void showHelp();
    void showVersion();
    void showHomepage();

    QString m_engineVersion;
    TPageViewer m_showPage;
};
