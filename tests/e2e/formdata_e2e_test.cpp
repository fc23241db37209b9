#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/enginepagechannel.h"
#include "browser/tabaction.h"
#include "core/consolememos.h"
#include "crypto/passwordcrypt.h"
#include "formdata/dataaction.h"
#include "formdefine/formaction.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QStandardItemModel>

namespace {

const QByteArray kLoginPage
    = "<html><head><title>Login</title></head><body>"
      "<form name=login action=/done method=post>"
      "<input type=text name=user value=alice>"
      "<input type=password name=pass value=\"p@ss-word\">"
      "<input type=hidden name=token value=T0K3N>"
      "<input type=text name=fixed value=F1 readonly>"
      "<input type=checkbox name=remember value=yes checked>"
      "<select name=lang><option value=ja>JA<option value=en selected>EN</select>"
      "<textarea name=note>line</textarea>"
      "</form></body></html>";

class FormDataE2E : public TEngineWindowSuite {
protected:
    static void SetUpTestSuite()
    {
        TEngineSuite::SetUpTestSuite();
        s_server->addPage(QStringLiteral("/app/login.html"), kLoginPage);
    }

    FormDataE2E()
    {
        home.prompter().passwords = { QString("master12") };
        auto form = std::make_unique<TFormAction>();
        formAction = form.get();
        App().bus().AddListener(std::move(form));
        auto data = std::make_unique<TDataAction>();
        dataAction = data.get();
        App().bus().AddListener(std::move(data));
    }

    bool open(bool remote)
    {
        openProject(QString(), [](TXMLProjectType& project) { project.SetEncryptKey(Md5Hex(QStringLiteral("master12"))); });
        return window.go(s_server->urlText(QStringLiteral("/app/login.html"), remote));
    }
    int roundTrips() const { return dynamic_cast<TEngineBrowser*>(tabs->CurrentTabWindow()->Browser())->channel()->roundTrips(); }
    QString pageValue(const char* name) { return run(QStringLiteral("document.forms.login.%1.value").arg(name)).toString(); }
    void setPageValue(const char* name, const QString& value)
    {
        run(QStringLiteral("document.forms.login.%1.value = %2; 1").arg(name, "'" + value + "'"));
    }

    int save()
    {
        QSignalSpy saved(formAction, &TFormAction::saveFinished);
        Command("ActionFormSave")->trigger();
        if (!WaitUntil([&] { return !saved.isEmpty(); }))
            return 0;
        return saved.first().first().toInt();
    }
    void selectData(int row)
    {
        dataAction->selectionModel()->setCurrentIndex(dataAction->model()->item(0)->child(row)->index(),
                                                      QItemSelectionModel::ClearAndSelect);
    }
    // Inputs the selected data set and waits until the page shows the user value.
    bool input(const QString& expectedUser)
    {
        Command("ActionDataInput")->trigger();
        return WaitUntil([&] { return pageValue("user") == expectedUser; });
    }
    std::optional<bool> compare()
    {
        App().service<TConsoleMemos>().compare.clear();
        QSignalSpy done(dataAction, &TDataAction::compareFinished);
        Command("ActionDataCompare")->trigger();
        if (!WaitUntil([&] { return !done.isEmpty(); }))
            return std::nullopt;
        return done.first().first().toBool();
    }
    QStringList report() { return App().service<TConsoleMemos>().compare.lines(); }

    TFormAction* formAction = nullptr;
    TDataAction* dataAction = nullptr;
};

}

TEST_F(FormDataE2E, SaveInputAndCompareOnAServedLoginPage)
{
    ASSERT_TRUE(open(false));
    const int before = roundTrips();
    const int id = save();
    ASSERT_NE(id, 0);
    // One refresh of the live values (what is stored is checked through the command line).
    EXPECT_EQ(roundTrips(), before + 1);

    setPageValue("user", "bob");
    setPageValue("pass", "other");
    setPageValue("note", "changed");
    run(QStringLiteral("document.forms.login.remember.checked = false; document.forms.login.lang.value = 'ja'; 1"));
    selectData(0);
    const int beforeInput = roundTrips();
    ASSERT_TRUE(input("alice"));
    EXPECT_EQ(roundTrips(), beforeInput + 1); // one batch of writes
    EXPECT_EQ(pageValue("pass"), QStringLiteral("p@ss-word"));
    EXPECT_EQ(pageValue("note"), QStringLiteral("line"));
    EXPECT_EQ(pageValue("lang"), QStringLiteral("en"));
    EXPECT_TRUE(run(QStringLiteral("document.forms.login.remember.checked")).toBool());

    EXPECT_EQ(compare(), std::optional<bool>(true));
    EXPECT_EQ(report().last(), QStringLiteral(" -> OK"));

    setPageValue("user", "carol");
    EXPECT_EQ(compare(), std::optional<bool>(false));
    const QStringList ng = report().filter(QStringLiteral("[比較結果 NG]"));
    ASSERT_EQ(ng.size(), 1) << report().join('\n').toStdString();
    EXPECT_EQ(ng.first(), QStringLiteral("1 [比較結果 NG]: [//login/user] -> データ値[alice] -> フォーム値[carol]"));
    EXPECT_EQ(report().last(), QStringLiteral(" -> NG"));
    EXPECT_FALSE(report().join('\n').contains(QStringLiteral("p@ss-word")));
    EXPECT_EQ(home.prompter().passwords.size(), 0u); // the master password was asked for once
}

// Saved with hidden inputs, the set writes them back on a local page only; a remote page
// keeps its hidden and read-only values.
struct HiddenInputRow {
    const char* name;
    bool remote;
    const char* token;
    const char* fixed;
};
void PrintTo(const HiddenInputRow& row, std::ostream* out) { *out << row.name; }

class FormDataHiddenInputs : public FormDataE2E, public ::testing::WithParamInterface<HiddenInputRow> {};

TEST_P(FormDataHiddenInputs, AreWrittenOnLocalPagesOnly)
{
    const HiddenInputRow& row = GetParam();
    ASSERT_TRUE(open(row.remote));
    Command("ActionFormSaveHidden")->trigger();
    ASSERT_NE(save(), 0);
    setPageValue("user", "bob");
    setPageValue("token", "NEW");
    setPageValue("fixed", "F2");
    selectData(0);
    ASSERT_TRUE(input("alice"));
    EXPECT_TRUE(WaitUntil([&] { return pageValue("token") == QLatin1String(row.token); })) << pageValue("token").toStdString();
    EXPECT_EQ(pageValue("fixed"), QLatin1String(row.fixed));
}

INSTANTIATE_TEST_SUITE_P(Pages, FormDataHiddenInputs,
                         ::testing::Values(HiddenInputRow { "RemoteKeepsThem", true, "NEW", "F2" },
                                           HiddenInputRow { "LocalGetsThemWritten", false, "T0K3N", "F1" }),
                         [](const auto& info) { return std::string(info.param.name); });
