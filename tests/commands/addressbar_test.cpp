#include "commands/addressaction.h"
#include "app/views/controllers.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/eventbus.h"
#include "support/faketabs.h"
#include "core/tabaccess.h"
#include "core/views/mainform.h"
#include "core/projectdocument.h"
#include "support/testhome.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class AddressTest : public testing::Test {
protected:
    void openProject()
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->ApplyNewProjectValues("P", home.path());
        App().setCurrentProject(std::move(project));
    }
    TTestHome home;
    TFakeTabs tabs;
};

} // namespace

TEST_F(AddressTest, ActionFollowsTheProjectAndTheCurrentTabsAddress)
{
    TAddressAction* action = new TAddressAction();
    App().bus().AddListener(std::unique_ptr<TActionCalverdine>(action));
    QSignalSpy text(action, &TAddressAction::addressTextChanged);
    QSignalSpy enabled(action, &TAddressAction::addressEnabledChanged);

    openProject();
    App().bus().NotifyProjectOpened(0);
    ASSERT_EQ(enabled.count(), 1);
    EXPECT_TRUE(enabled.takeFirst().at(0).toBool());

    tabs.add(3).url = "http://127.0.0.1/login.html";
    App().bus().NotifyBrowserNavigateCompleted(3);
    App().bus().NotifyTabWindowWasNothing(3);
    App().bus().NotifyProjectClosed(0);
    QStringList shown;
    for (const QList<QVariant>& args : text)
        shown << args.at(0).toString();
    EXPECT_EQ(shown, QStringList({ "http://127.0.0.1/login.html", "", "" }));
    ASSERT_EQ(enabled.count(), 1);
    EXPECT_FALSE(enabled.takeFirst().at(0).toBool());
}

TEST_F(AddressTest, ActionGoesToTrimmedTextsOnlyWhileAProjectIsOpen)
{
    TAddressAction action;
    action.Go("http://a/");
    openProject();
    action.Go("   ");
    action.Go("  http://b/x.html \t");
    EXPECT_EQ(tabs.navigated, QStringList({ "http://b/x.html" }));
}

TEST(TypedAddress, TextsWithoutASchemeAreAddressesWhenTheyLookLikeAHostOrAPath)
{
    const struct {
        const char* typed;
        const char* address; // "" when the text is no address
    } cases[] = {
        { "http://127.0.0.1/login.html", "http://127.0.0.1/login.html" },
        { "about:blank", "about:blank" },
        { "file:///tmp/a.html", "file:///tmp/a.html" },
        { "localhost:8080/x", "http://localhost:8080/x" },
        { "LOCALHOST", "http://LOCALHOST" },
        { "example.test/a", "http://example.test/a" },
        { "example.test:81?q=1", "http://example.test:81?q=1" },
        { "127.0.0.1:8080", "http://127.0.0.1:8080" },
        { "[::1]:8080/x", "http://[::1]:8080/x" },
        { "日本.example/ページ", "http://日本.example/ページ" },
        { "/tmp/a b.html", "file:///tmp/a b.html" },
        { "login page", "" },
        { "login", "" },
        { "1.2", "" },
        { "300.1.1.1", "" },
        { "example..test", "" },
        { "-a.test", "" },
        { "localhost:99999", "" },
        { "example.test/a b", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(AddressOfTypedText(QString::fromUtf8(c.typed)), QString::fromUtf8(c.address)) << c.typed;
}

TEST_F(AddressTest, BarEnterAndTheGoButtonNavigateOtherTextSaysSoAndEscRestoresTheAddress)
{
    TMainForm form;
    form.FormCreate(CreateControllers);
    tabs.add(1).url = "http://127.0.0.1/current.html";
    openProject();
    App().bus().NotifyProjectOpened(0);
    App().tabs = &tabs; // opening the project made the real tab controller current

    QComboBox* box = form.addressBox();
    ASSERT_TRUE(box->isEnabled());
    box->lineEdit()->setText("login page");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(tabs.navigated.isEmpty()) << tabs.navigated.join(' ').toStdString();
    EXPECT_EQ(form.statusLabel()->text(), QString("「login page」はアドレスではありません"));

    box->addItem("http://127.0.0.1/typed.html"); // a visited address: Enter still goes there once
    box->lineEdit()->setText("http://127.0.0.1/typed.html");
    QTest::keyClick(box, Qt::Key_Return); // the window system gives keys to the focused box
    box->lineEdit()->setText("localhost:8080/x");
    form.addressButton()->click();
    EXPECT_EQ(tabs.navigated, QStringList({ "http://127.0.0.1/typed.html", "http://localhost:8080/x" }));

    box->lineEdit()->setText("half typed");
    QTest::keyClick(box->lineEdit(), Qt::Key_Escape);
    EXPECT_EQ(box->currentText(), QString("http://127.0.0.1/current.html"));
    EXPECT_EQ(box->lineEdit()->selectedText(), QString("http://127.0.0.1/current.html"));
}
