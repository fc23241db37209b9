#include "enginetab.h"

#include "browser/tabaction.h"
#include "core/commandlist.h"
#include "core/homefiles.h"
#include "core/inifile.h"
#include "core/memo.h"
#include "core/views/mainform.h"
#include "document/calverdinedocument.h"
#include "formdefine/formaction.h"
#include "operation/testaction.h"
#include "operation/testoperationaction.h"
#include "operation/views/formautooperation.h"
#include "operation/views/testactionview.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// The login page posts its form to the menu page, which shows the posted user name.
const QByteArray kLoginPage = "<html><head><title>login</title></head><body>"
                              "<form name=form1 action=/op/menu.html method=post>"
                              "<input type=text name=user value=alice>"
                              "<input type=submit name=go value=Go>"
                              "</form></body></html>";

// The whole main window on the real engine, started on a project whose tab list shows the
// menu page and, in front, the login page.
class OperationWindowE2E : public TEngineSuite {
public:
    static void SetUpTestSuite()
    {
        TEngineSuite::SetUpTestSuite();
        s_server->addPage(QStringLiteral("/op/login.html"), kLoginPage);
        s_server->addHandler(QStringLiteral("/op/menu.html"), [](const THttpServer::Request& request) {
            return THttpServer::Response::html(QStringLiteral("<html><head><title>menu</title></head><body>"
                                                              "<form name=m><input name=who value=\"%1\"></form>"
                                                              "</body></html>")
                                                   .arg(request.formValue(QStringLiteral("user")).toHtmlEscaped())
                                                   .toUtf8());
        });
    }

    ~OperationWindowE2E() override
    {
        form.reset();
        ProcessDeferredDeletes();
    }

    static QString page(const char* name) { return s_server->urlText(QStringLiteral("/op/%1.html").arg(QLatin1String(name))); }

    bool start()
    {
        const QString path = WriteProjectFile(home.path(), QStringLiteral("Ops"), page("login"), { page("menu"), page("login") });
        // Steps follow each other quickly; the runner waits for pages, not for the clock.
        TIniFile settings(GlobalSettingsPath());
        settings.load();
        settings.writeInteger(QStringLiteral("AutoOperation"), QStringLiteral("Interval"), 10);
        settings.save();
        form = StartMainWindow(*s_profile, path);
        return WaitUntil([&] {
            if (!AllTabsReady(2))
                return false;
            for (TTabWindow* tab : tabs_()->Tabs()) {
                if (!tab->GetDocumentModel())
                    return false;
            }
            return current()->GetUrl() == page("login");
        });
    }

    static TTabAction* tabs_() { return dynamic_cast<TTabAction*>(App().tabs); }
    static TTabWindow* current() { return tabs_()->CurrentTabWindow(); }
    static QString screenOf(TTabWindow* tab) { return tab->GetDocumentModel() ? tab->GetDocumentModel()->ScreenID() : QString(); }

    template <class T> static T* controller()
    {
        TEventBus& bus = App().bus();
        for (int i = 0; i < bus.ListenerCount(); ++i) {
            if (auto* action = dynamic_cast<T*>(bus.ListenerAt(i)))
                return action;
        }
        return nullptr;
    }
    TTestTreeView* tree() const { return form->findChild<TTestTreeView*>(QStringLiteral("TreeViewTest")); }

    static QVariant run(const QString& script) { return RunScript(script); }

    // The runner's lines of the operation log from the given line on, without the time.
    static QStringList runLines(int from)
    {
        QStringList lines;
        for (const QString& line : App().operationLog().lines().mid(from))
            lines << line.section(QStringLiteral(": "), 1, -1);
        return lines.filter(QRegularExpression("^(自動操作名|移動するアドレス|操作|ErrorCode|\\[ERROR\\])"));
    }

    TTestHome home;
    std::unique_ptr<TMainForm> form;
};

TEST_F(OperationWindowE2E, OperationMadeInTheEditorRunsFromTheTreeAndIsDeleted)
{
    ASSERT_TRUE(start());
    TTestAction* test = controller<TTestAction>();
    ASSERT_NE(test, nullptr);
    ASSERT_NE(tree(), nullptr);
    const QString loginScreen = screenOf(current());
    QString menuScreen;
    for (TTabWindow* tab : tabs_()->Tabs()) {
        if (tab->GetUrl() == page("menu"))
            menuScreen = screenOf(tab);
    }
    ASSERT_FALSE(loginScreen.isEmpty());
    ASSERT_FALSE(menuScreen.isEmpty());
    ASSERT_NE(loginScreen, menuScreen);

    // The page's values ("alice") become the data set "New Data" of the login screen; then
    // the page is changed, so only the recorded input can bring "alice" back.
    auto* formAction = controller<TFormAction>();
    ASSERT_NE(formAction, nullptr);
    QSignalSpy saved(formAction, &TFormAction::saveFinished);
    Command("ActionFormSave")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !saved.isEmpty(); }));
    ASSERT_NE(saved.first().first().toInt(), 0);
    run(QStringLiteral("document.forms.form1.user.value = 'bob'; 1"));

    QStandardItemModel* model = test->model();
    ASSERT_EQ(model->rowCount(), 1);

    bool driven = false;
    QStringList offeredScreens;
    AnswerNextDialog(
        [](QWidget& w) { return qobject_cast<TFormAutoOperation*>(&w) != nullptr; },
        [&](QWidget& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("EditName"))->setText(QStringLiteral("login"));
            auto* type = dialog.findChild<QComboBox*>(QStringLiteral("ComboBoxOperationType"));
            auto* substance = dialog.findChild<QComboBox*>(QStringLiteral("ComboBoxOperationSubstance"));
            auto* add = dialog.findChild<QPushButton*>(QStringLiteral("ButtonAdd"));
            type->setCurrentIndex(TFormAutoOperation::InputData);
            substance->setCurrentIndex(substance->findText(QStringLiteral("New Data"), Qt::MatchContains));
            add->click();
            type->setCurrentIndex(TFormAutoOperation::FormCompare);
            add->click();
            type->setCurrentIndex(TFormAutoOperation::ClickButton);
            substance->setCurrentIndex(substance->findText(QStringLiteral("form1.go"), Qt::MatchContains));
            add->click();
            auto* finished = dialog.findChild<QComboBox*>(QStringLiteral("ComboBoxFinishedScreenID"));
            for (int i = 0; i < finished->count(); ++i)
                offeredScreens << finished->itemText(i);
            driven = true;
            dialog.findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click();
        });
    Command("ActionTestAutoNew")->trigger();
    ASSERT_TRUE(driven);
    EXPECT_EQ(offeredScreens.mid(0, 2), QStringList({ QString(), loginScreen }));
    EXPECT_TRUE(offeredScreens.contains(menuScreen));

    // Saved, shown under the root, selected.
    ASSERT_EQ(model->item(0)->rowCount(), 1);
    EXPECT_EQ(model->item(0)->child(0)->text(), QString("login"));
    EXPECT_EQ(tree()->currentIndex(), model->item(0)->child(0)->index());
    ASSERT_EQ(test->operations().count(), 1);
    const QString id = QString::number(test->operations().at(0)->ID);
    const QString folder = App().currentProject()->RootDirectory() + QStringLiteral("/OperationData");
    QFile list(folder + QStringLiteral("/OperationList.txt"));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_EQ(list.readAll(), (id + QStringLiteral("\r\n")).toLatin1());
    list.close();
    TIniFile stored(folder + QLatin1Char('/') + id + QStringLiteral(".ini"));
    ASSERT_TRUE(stored.load());
    EXPECT_EQ(stored.readString(QStringLiteral("Info"), QStringLiteral("TargetScreenID"), QString()), loginScreen);
    EXPECT_EQ(stored.readString(QStringLiteral("Info"), QStringLiteral("OperationType[2]"), QString()), QString("2,form1.go"));

    // A double click on the node runs it; the console shows the operation log.
    const int logFrom = App().operationLog().lines().size();
    const QRect node = tree()->visualRect(model->item(0)->child(0)->index());
    // As a real double click arrives: a click, then the second press as a double click.
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, node.center());
    QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, node.center());
    ASSERT_NE(test->runner(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return test->runner() && test->runner()->IsOver(); }))
        << runLines(logFrom).join('\n').toStdString();

    EXPECT_EQ(test->runner()->ResultCode, 0);
    EXPECT_EQ(runLines(logFrom), QStringList({
                                     "自動操作名: login 開始",
                                     "操作する画面ID: " + loginScreen,
                                     "操作定義: データ入力 … New Data 開始",
                                     "操作定義: データ入力 … New Data 終了",
                                     "操作定義: フォーム値比較 … New Data 開始",
                                     "操作定義: フォーム値比較 … New Data 終了",
                                     "操作定義: ボタンクリック … Go (form1.go) 開始",
                                     "操作定義: ボタンクリック … Go (form1.go) 終了",
                                     "自動操作名: login 終了",
                                 }));
    // The click's page arrives after the run: it shows the user the recorded input wrote.
    ASSERT_TRUE(WaitUntil([&] { return screenOf(current()) == menuScreen; }));
    EXPECT_EQ(run(QStringLiteral("document.forms.m.who.value")).toString(), QString("alice"));
    auto* memo = form->findChild<QPlainTextEdit*>(QStringLiteral("MemoLog"));
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->toPlainText().contains(QStringLiteral("自動操作名: login 終了")));

    // Deleting the chosen operation removes node and files.
    Command("ActionTestAutoDelete")->trigger();
    EXPECT_EQ(model->item(0)->rowCount(), 0);
    EXPECT_EQ(test->operations().count(), 0);
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_TRUE(list.readAll().isEmpty());
    EXPECT_FALSE(QFile::exists(folder + QLatin1Char('/') + id + QStringLiteral(".ini")));
    EXPECT_TRUE(App().operationLog().lines().filter(QStringLiteral("[ERROR]")).isEmpty())
        << App().operationLog().lines().filter(QStringLiteral("[ERROR]")).join('\n').toStdString();
}

} // namespace
