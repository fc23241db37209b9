#include "enginetab.h"

#include "browser/engine/engineprofile.h"
#include "browser/tabaction.h"
#include "browser/views/tabwidgets.h"
#include "commands/serveraction.h"
#include "core/commandlist.h"
#include "support/recordingproxy.h"

#include <memory>

namespace {

// The main window with the tab and proxy controllers on the real engine, a page server on
// loopback and a recording proxy in front of it.
class ProxyE2E : public ::testing::Test {
protected:
    ProxyE2E()
    {
        profile = std::make_unique<TEngineProfile>();
        EXPECT_TRUE(server.start());
        EXPECT_TRUE(proxy.start());
        proxy.setUpstream(QHostAddress::LocalHost, server.port());
        for (const char* name : { "one", "two", "three" })
            server.addPage(QStringLiteral("/p/%1.html").arg(QLatin1String(name)), TitledPage(name));
        window = std::make_unique<TEngineWindow>(profile.get());
        App().bus().AddListener(std::make_unique<TServerAction>());
    }

    ~ProxyE2E() override
    {
        window.reset();
        ApplyProxyChoice(TProxyChoice());
        profile.reset();
        ProcessDeferredDeletes();
    }

    // A loopback address of the page server.
    QString address(const char* page) const { return server.urlText(QStringLiteral("/p/%1.html").arg(QLatin1String(page))); }
    bool load(const char* page)
    {
        App().tabs->NavigateCurrentTab(address(page));
        return WaitUntil([&] {
            TTabView* tab = App().tabs->CurrentTab();
            return tab && tab->GetUrl() == address(page) && tab->GetTitle() == page && tab->NavigationState() == 2;
        });
    }
    bool proxied(const char* page) const { return proxy.requests().contains("GET " + address(page)); }

    TTestHome home;
    THttpServer server;
    TRecordingProxy proxy;
    std::unique_ptr<TEngineProfile> profile;
    std::unique_ptr<TEngineWindow> window;
};

TEST_F(ProxyE2E, TheProjectsProxyCarriesLoopbackPagesUntilDirectIsChosen)
{
    window->openProject(home.path(), QString(), [&](TXMLProjectType& project) {
        project.SetProxyServer(2);
        project.SetProxyServerAddress(QStringLiteral("127.0.0.1"));
        project.SetProxyServerPort(QString::number(proxy.port()));
    });

    QAction* connectItem = Command("ActionServerProxyConnect");
    QAction* directItem = Command("ActionServerProxyDisconnect");
    EXPECT_TRUE(connectItem->isChecked());
    EXPECT_TRUE(connectItem->isEnabled());
    EXPECT_EQ(CurrentProxyChoice().port, proxy.port());

    // The first load after opening goes through the proxy, loopback page or not.
    ASSERT_TRUE(load("one")) << proxy.requests().join('\n').toStdString();
    EXPECT_TRUE(proxied("one")) << proxy.requests().join('\n').toStdString();

    // The very next load after choosing direct does not.
    directItem->trigger();
    EXPECT_TRUE(directItem->isChecked());
    EXPECT_FALSE(connectItem->isChecked());
    ASSERT_TRUE(load("two"));
    EXPECT_FALSE(proxied("two")) << proxy.requests().join('\n').toStdString();

    // And back: the next load goes through the proxy again.
    connectItem->trigger();
    ASSERT_TRUE(load("three"));
    EXPECT_TRUE(proxied("three")) << proxy.requests().join('\n').toStdString();
}

TEST(ProxyChoice, ProjectSettingsMapOntoAChoice)
{
    struct Row { const char* name; int mode; const char* address; const char* port; TProxyChoice::Mode expected; quint16 expectedPort; };
    for (const Row& row : { Row { "system", 0, "", "", TProxyChoice::System, 0 },
                            Row { "direct", 1, "10.0.0.1", "8080", TProxyChoice::Direct, 0 },
                            Row { "proxy", 2, " 10.0.0.1 ", "8080", TProxyChoice::Project, 8080 },
                            Row { "proxy without address", 2, "", "8080", TProxyChoice::Direct, 0 },
                            Row { "proxy with bad port", 2, "h", "80x", TProxyChoice::Direct, 0 },
                            Row { "proxy with port out of range", 2, "h", "70000", TProxyChoice::Direct, 0 },
                            Row { "unknown value", 7, "h", "1", TProxyChoice::Direct, 0 } }) {
        const TProxyChoice c = TProxyChoice::FromProject(row.mode, QString::fromUtf8(row.address), QString::fromUtf8(row.port));
        EXPECT_EQ(c.mode, row.expected) << row.name;
        EXPECT_EQ(c.port, row.expectedPort) << row.name;
    }
}

} // namespace
