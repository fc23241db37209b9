#include "core/commandlist.h"
#include "core/consolememos.h"
#include "core/error.h"
#include "core/eventbus.h"
#include "core/safefile.h"
#include "core/textcodec.h"
#include "core/tickcount.h"
#include "formdata/dataaction.h"
#include "formdata/formdatamanager.h"
#include "crypto/passwordcrypt.h"
#include "formdata/liverefresh.h"
#include "formdefine/formaction.h"

#include <QAction>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtCore/qtestsupport_core.h>

#include "fakepage.h"
#include "formdatafixture.h"
#include "support/recordinglistener.h"
#include "support/writelimit.h"

namespace {

// The form and data controllers on the bus, a tab with the login page, events recorded.
class ControllersTest : public FormDataFixture {
protected:
    ControllersTest()
    {
        App().currentProject()->SetEncryptKey(Md5Hex("master12"));
        BuildCommandCatalogue(App().commands());
        App().bus().AddListener(std::make_unique<TFormAction>());
        formAction = static_cast<TFormAction*>(App().bus().ListenerAt(0));
        App().bus().AddListener(std::make_unique<TDataAction>());
        dataAction = static_cast<TDataAction*>(App().bus().ListenerAt(1));
        App().bus().AddListener(std::make_unique<TRecordingListener>(events, std::initializer_list<TEvent> {
            TEvent::FormDataSaving, TEvent::FormDataSaved, TEvent::FormDataAdded, TEvent::FormDataNameModified,
            TEvent::FormDataDeleted, TEvent::FormDataLoading, TEvent::FormDataLoaded }));
        App().bus().NotifyProjectOpened(0);
        SetTickCountSource([this] { return ++m_tick; });
        TFakeTab& tab = tabs.add(7);
        tab.navigationState = 2;
        tab.html = true;
        tab.channel.refreshAnswer = R"({"format":1,"values":[]})";
        tab.document = BuildLoginPage(&tab.channel);
        screenId = tab.document->ScreenID();
        App().bus().NotifyTabWindowAdded(7);
        App().bus().NotifyDocumentParseCompleted(7);
        events->clear();
    }

    TFakeTab& tab() { return static_cast<TFakeTab&>(*tabs.CurrentTab()); }
    TCalverdineDocument& doc() { return *tab().document; }
    QString passValue() { return doc().FormParts().find("//login/pass")->Element()->value(); }
    QAction* command(const char* name) { return App().commands().action(name); }
    void trigger(const char* name)
    {
        ASSERT_TRUE(command(name)->isEnabled()) << name;
        command(name)->trigger();
    }
    QStandardItem* node(int row) { return dataAction->model()->item(0)->child(row); }
    QByteArray dataFile(int row) { return read("FormData/" + node(row)->data(TDataAction::kDataIdRole).toString() + ".xml"); }
    QStringList panel()
    {
        QStringList names { dataAction->model()->item(0)->text() };
        for (int i = 0; i < dataAction->model()->item(0)->rowCount(); ++i)
            names << node(i)->text();
        return names;
    }
    void select(int row) { dataAction->selectionModel()->setCurrentIndex(node(row)->index(), QItemSelectionModel::ClearAndSelect); }
    QStringList compareReport() { return App().service<TConsoleMemos>().compare.lines(); }
    bool compareSelected()
    {
        App().service<TConsoleMemos>().compare.clear();
        QSignalSpy spy(dataAction, &TDataAction::compareFinished);
        command("ActionDataCompare")->trigger();
        return !spy.isEmpty() && spy.first().first().toBool();
    }

    TFakeTabs tabs;
    TFormAction* formAction = nullptr;
    TDataAction* dataAction = nullptr;
    std::shared_ptr<QStringList> events = std::make_shared<QStringList>();
    QString screenId;
    quint32 m_tick = 100000;
};

}

TEST_F(ControllersTest, NewDataIsOfferedForRenamingOverwrittenByTheNextSaveAndDeletedFromThePanel)
{
    QSignalSpy edits(dataAction, &TDataAction::editRequested);
    trigger("ActionFormSave");
    EXPECT_EQ(*events, QStringList({ "FormDataSaving:7", "FormDataSaved:7", "FormDataAdded:7" }));
    EXPECT_EQ(tab().channel.refreshes, 1);
    EXPECT_EQ(panel(), QStringList({ screenId, "New Data" }));
    EXPECT_TRUE(dataFile(0).contains("key=\"//login/user\" atttype=\"text\">admin<")) << dataFile(0).constData();
    EXPECT_FALSE(dataFile(0).contains("token"));
    EXPECT_FALSE(dataFile(0).contains("secret-1"));
    ASSERT_EQ(edits.size(), 1);
    EXPECT_TRUE(dataAction->isEditing());
    EXPECT_EQ(dataAction->selectionModel()->currentIndex(), node(0)->index());

    events->clear();
    dataAction->finishEdit(node(0)->index(), "管理者");
    EXPECT_FALSE(dataAction->isEditing());
    EXPECT_EQ(*events, QStringList { "FormDataNameModified:7" });
    EXPECT_EQ(panel(), QStringList({ screenId, "管理者" }));
    EXPECT_TRUE(read("FormData/" + screenId + ".ini").contains(textcodec::toCp932("=管理者\r\n")));

    events->clear();
    doc().SetValue("//login/user", "root");
    trigger("ActionFormSave");
    EXPECT_EQ(*events, QStringList({ "FormDataSaving:7", "FormDataSaved:7" }));
    EXPECT_EQ(panel(), QStringList({ screenId, "管理者" }));
    EXPECT_TRUE(dataFile(0).contains(">root<"));
    ASSERT_EQ(formAction->saveMenuActions().size(), 1);
    EXPECT_TRUE(formAction->saveMenuActions()[0]->isChecked());
    EXPECT_EQ(CommandHint(command("ActionFormSave")), QStringLiteral("管理者"));

    select(0);
    trigger("ActionDataInput");
    select(0);
    events->clear();
    trigger("ActionDataDelete");
    EXPECT_EQ(*events, QStringList { "FormDataDeleted:7" });
    EXPECT_EQ(panel(), QStringList { screenId });
    EXPECT_FALSE(command("ActionDataInputHistory")->isEnabled());
    EXPECT_FALSE(command("ActionDataDelete")->isEnabled());
    EXPECT_TRUE(formAction->saveMenuActions().isEmpty());
}

TEST_F(ControllersTest, AFailedSaveAnnouncesNoSaveAndGivesTheCommandsBack)
{
    trigger("ActionFormSave");
    select(0);
    events->clear();
    doc().SetValue("//login/user", "root");
    {
        TWriteLimit limit(16);
        trigger("ActionFormSave");
    }
    EXPECT_EQ(*events, QStringList({ "FormDataSaving:7" }));
    EXPECT_TRUE(command("ActionFormSave")->isEnabled());
    EXPECT_TRUE(command("ActionDataInput")->isEnabled());
    EXPECT_FALSE(dataFile(0).contains(">root<"));
}

TEST_F(ControllersTest, SaveAsAlwaysAddsAndHiddenInputsOnlyWithTheSwitch)
{
    trigger("ActionFormSave");
    trigger("ActionFormSaveHidden");
    EXPECT_TRUE(command("ActionFormSaveHidden")->isChecked());
    trigger("ActionFormSaveAs");
    EXPECT_EQ(panel().size(), 3);
    EXPECT_FALSE(dataFile(0).contains("T0K3N"));
    EXPECT_TRUE(dataFile(1).contains("T0K3N"));

    App().bus().NotifyProjectOpened(0);
    EXPECT_FALSE(command("ActionFormSaveHidden")->isChecked());
    EXPECT_FALSE(App().service<TFormDataManager>().includeHidden());
}

TEST_F(ControllersTest, InputWritesTheSetAndRemembersIt)
{
    trigger("ActionFormSave");
    doc().SetValue("//login/user", "someone");
    events->clear();

    select(0);
    trigger("ActionDataInput");
    EXPECT_EQ(*events, QStringList({ "FormDataLoading:7", "FormDataLoaded:7" }));
    EXPECT_EQ(doc().GetValue("//login/user"), QStringLiteral("admin"));
    EXPECT_TRUE(command("ActionDataInputHistory")->isEnabled());
    ASSERT_EQ(dataAction->inputMenuActions().size(), 1);
    EXPECT_TRUE(dataAction->inputMenuActions()[0]->isChecked());
}

// The lines of a difference are checked with the comparison command itself.
TEST_F(ControllersTest, ComparisonReadsThePageOnceAndReportsEveryValue)
{
    trigger("ActionFormSave");
    select(0);
    EXPECT_TRUE(compareSelected());
    const QStringList report = compareReport();
    ASSERT_EQ(report.size(), 5 + 6 + 2);
    EXPECT_EQ(report[0], QString(60, '-'));
    EXPECT_EQ(report[1], "画面ID: " + screenId);
    EXPECT_EQ(report[2], QStringLiteral("データ名: New Data"));
    EXPECT_TRUE(report[3].startsWith(QStringLiteral("日時: ")));
    EXPECT_EQ(tab().channel.refreshes, 2);
}

TEST_F(ControllersTest, PasswordsCompareByTheirClearValueAndAreNeverShown)
{
    prompter().passwords = { QString("master12") };
    trigger("ActionFormSave");
    const size_t asked = prompter().asked.size();
    select(0);
    doc().SetValue("//login/pass", PasswordEncryptValue("changed", "master12", 1));
    EXPECT_EQ(passValue(), QStringLiteral("changed"));
    EXPECT_FALSE(compareSelected());
    EXPECT_FALSE(compareReport().join('\n').contains("changed"));
    // Encrypted under another master password, nothing decrypts: the field stays as it is.
    doc().SetValue("//login/pass", PasswordEncryptValue("other", "master13", 1));
    EXPECT_EQ(passValue(), QStringLiteral("changed"));
    trigger("ActionDataInput");
    EXPECT_EQ(passValue(), QStringLiteral("secret-1"));
    EXPECT_EQ(prompter().asked.size(), asked); // entered once, held since
}

TEST_F(ControllersTest, SavedPathsMissingFromThePageAndDeletedSets)
{
    write("FormData/" + screenId + ".ini", "[Info]\r\n42=old layout\r\n");
    write("FormData/42.xml", "<FormData><FormDataItem key=\"//login/gone\">x</FormDataItem>"
                             "<FormDataItem key=\"//login/user\">other</FormDataItem>"
                             "<FormDataItem key=\"//login/lost\">フォーム部品なし</FormDataItem></FormData>");
    App().service<TFormDataManager>().clear();
    App().bus().NotifyDocumentParseCompleted(7);
    select(0);
    trigger("ActionDataInput");
    EXPECT_EQ(doc().GetValue("//login/user"), QStringLiteral("other"));
    EXPECT_FALSE(compareSelected());
    EXPECT_EQ(compareReport()[5], QStringLiteral("1 [比較結果 NG]: [//login/gone] -> データ値[x] -> フォーム値[フォーム部品なし]"));
    // A missing part never compares equal, whatever was saved.
    EXPECT_EQ(compareReport()[7],
              QStringLiteral("3 [比較結果 NG]: [//login/lost] -> データ値[フォーム部品なし] -> フォーム値[フォーム部品なし]"));

    // A data set with no values: the header, two separators and OK.
    write("FormData/42.xml", "<FormData></FormData>");
    EXPECT_TRUE(compareSelected());
    EXPECT_EQ(compareReport().mid(4), QStringList({ QString(60, '-'), QString(60, '-'), " -> OK" }));

    // A data set deleted under the panel: reported, and nothing is written.
    App().service<TFormDataManager>().store().remove(42);
    events->clear();
    trigger("ActionDataInput");
    EXPECT_EQ(*events, QStringList { "FormDataLoading:7" });
    EXPECT_FALSE(compareSelected());
    EXPECT_TRUE(compareReport().isEmpty());
    EXPECT_EQ(prompter().messages(), QStringList(2, "データは削除されています"));
}

TEST_F(ControllersTest, ARenameOrDeleteTheIndexCannotTakeIsReportedAndChangesNothing)
{
    trigger("ActionFormSave");
    dataAction->cancelEdit();
    const QByteArray index = read("FormData/" + screenId + ".ini");
    const QString indexPath = path("FormData/" + screenId + ".ini");
    safefile::setFaultHook([](safefile::Step step, const QString& file) { return step == safefile::Step::Rename && file.endsWith(".ini") ? EROFS : 0; });
    events->clear();
    // The name editor of the panel commits here: nothing may escape to the event loop.
    EXPECT_NO_THROW(dataAction->finishEdit(node(0)->index(), "renamed"));
    select(0);
    trigger("ActionDataDelete");
    safefile::setFaultHook({});
    EXPECT_EQ(prompter().messages(), QStringList(2, "file save error: " + indexPath + ": Read-only file system"));
    EXPECT_EQ(panel(), QStringList({ screenId, "New Data" }));
    EXPECT_EQ(App().service<TFormDataManager>().dataName(screenId, node(0)->data(TDataAction::kDataIdRole).toInt()), "New Data");
    EXPECT_TRUE(events->isEmpty()) << events->join(' ').toStdString();
    EXPECT_EQ(read("FormData/" + screenId + ".ini"), index);
    EXPECT_NE(dataFile(0), QByteArray("<missing>"));
}

TEST_F(ControllersTest, ANewSetWhoseValuesCannotBeStoredIsNeitherListedNorIndexed)
{
    safefile::setFaultHook([](safefile::Step step, const QString& file) { return step == safefile::Step::Sync && file.endsWith(".xml") ? EIO : 0; });
    trigger("ActionFormSave");
    safefile::setFaultHook({});
    EXPECT_EQ(*events, QStringList({ "FormDataSaving:7" }));
    EXPECT_EQ(panel(), QStringList { screenId });
    EXPECT_EQ(read("FormData/" + screenId + ".ini"), QByteArray("<missing>"));
    EXPECT_TRUE(prompter().messages().value(0).endsWith(".xml: Input/output error")) << prompter().messages().join('|').toStdString();
}

TEST_F(ControllersTest, ASetWhoseDataFileIsMissingComparesNgNamingTheFile)
{
    trigger("ActionFormSave");
    dataAction->cancelEdit();
    const QString dataPath = path("FormData/" + node(0)->data(TDataAction::kDataIdRole).toString() + ".xml");
    ASSERT_TRUE(QFile::remove(dataPath));
    select(0);
    EXPECT_FALSE(compareSelected());
    doc().SetValue("//login/user", "someone");
    trigger("ActionDataInput");
    EXPECT_EQ(doc().GetValue("//login/user"), QStringLiteral("someone"));
    EXPECT_EQ(prompter().messages(), QStringList(2, "ファイルが開けませんでした: " + dataPath + ": No such file or directory"));
}

TEST_F(ControllersTest, AFailureAnsweringAPageReadOnATimerIsReportedNotThrownIntoTheEventLoop)
{
    // A page that never answers: the answer comes from the time-out timer.
    struct TSilentChannel final : TRecordingPageChannel {
        void refreshValues(RefreshCallback) override { ++refreshes; }
    } channel;
    auto page = BuildLoginPage(&channel);
    bool called = false;
    RefreshLiveValues(*page, dataAction, nullptr, [&](const QString&) {
        called = true;
        throw TError("stored file gone");
    }, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return called; }, 10000));
    EXPECT_EQ(prompter().messages(), QStringList { "stored file gone" });
}
