#include "core/error.h"
#include "core/tickcount.h"
#include "document/calverdinedocument.h"
#include "document/pagesnapshot.h"
#include "document/support/documenttesting.h"
#include "document/support/recordingpagechannel.h"
#include "document/support/snapshotbuilder.h"
#include "document/tagaccess.h"
#include "crypto/passwordcrypt.h"

#include <gtest/gtest.h>

namespace {

// One form with every kind of part, on a page of the given address.
class ValueAccess : public ::testing::Test {
protected:
    std::unique_ptr<TCalverdineDocument> page(const QString& url)
    {
        TSnapshotBuilder b;
        auto& top = b.document(url);
        const int f = top.form("f");
        top.input(f, "text", "text", "t0");
        top.input(f, "hidden", "hidden", "h0");
        top.input(f, "text", "readonly", "r0", { { "readOnly", true } });
        top.input(f, "text", "disabled", "d0", { { "disabled", true } });
        top.input(f, "checkbox", "box", "on");
        top.input(f, "radio", "color", "red", { { "checked", true } });
        top.input(f, "radio", "color", "blue");
        top.input(f, "password", "pw", "");
        top.select(f, "single", { { "abc", "A", false }, { "ABC", "B", false }, { "x", "X", true } });
        top.select(f, "multi", { { "a", "A", false }, { "b c", "BC", false }, { "d,e", "DE", false }, { "b", "B", true } },
                   true);
        top.textarea(f, "area", "line1\nline2");
        auto model = std::make_unique<TCalverdineDocument>(url);
        model->Parse(b.build(&channel), TScreenIDSettings());
        return model;
    }

    TDocumentTestHome home;
    TRecordingPageChannel channel;
};

TEST_F(ValueAccess, CheckBoxesAndRadioButtons)
{
    auto model = page("http://localhost/f.html");
    const std::pair<const char*, const char*> cases[] = { { "on", "on" }, { "1", "on" }, { "yes", "on" },
        { "0", "__UN_CHECKED_VAL__" }, { "", "__UN_CHECKED_VAL__" }, { "__UN_CHECKED_VAL__", "__UN_CHECKED_VAL__" } };
    for (const auto& [stored, read] : cases) {
        model->SetValue("//f/box", stored);
        EXPECT_EQ(model->GetValue("//f/box"), read) << stored;
    }

    // A radio group is restored button by button.
    EXPECT_EQ(model->GetValue("//f/color[0]"), "red");
    EXPECT_EQ(model->GetValue("//f/color[1]"), "__UN_CHECKED_VAL__");
    model->SetValue("//f/color[0]", "__UN_CHECKED_VAL__");
    model->SetValue("//f/color[1]", "blue");
    EXPECT_EQ(model->GetValue("//f/color[0]"), "__UN_CHECKED_VAL__");
    EXPECT_EQ(model->GetValue("//f/color[1]"), "blue");
}

TEST_F(ValueAccess, SelectionLists)
{
    // Options of "single": abc, ABC, x (selected); of "multi": a, "b c", "d,e", b (selected).
    const struct {
        const char* name;
        const char* path;
        QString stored;
        QString read;
    } rows[] = {
        { "single as loaded", "//f/single", QString(), "x" },
        { "multiple as loaded", "//f/multi", QString(), "b" },
        { "single, other letter case", "//f/single", "X", "x" },
        // Both "abc" and "ABC" match; a single list keeps the last.
        { "single, two options of one value", "//f/single", "Abc", "ABC" },
        { "single, empty", "//f/single", "", "" },
        { "single, no such option", "//f/single", "y", "" },
        { "single, a comma is part of the value", "//f/single", "abc,x", "" },
        { "multiple, quoted and other letter case", "//f/multi", "A,\"b c\"", "a,b c" },
        // Values holding a comma or a blank are not restored as stored: the text splits apart.
        { "multiple, values with blank and comma", "//f/multi", "b c,d,e", "b" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto model = page("http://localhost/f.html");
        if (!row.stored.isNull())
            model->SetValue(row.path, row.stored);
        EXPECT_EQ(model->GetValue(row.path), row.read);
    }

    auto model = page("http://localhost/f.html");
    TTagFormPart* multi = model->FormParts().find("//f/multi");
    ASSERT_TRUE(multi);
    const auto* select = dynamic_cast<const TTagAccessSelect*>(multi->Accessor());
    ASSERT_TRUE(select);
    EXPECT_EQ(select->GetOptionTexts(multi->Element()), QStringList({ "A", "BC", "DE", "B" }));
    EXPECT_EQ(select->GetOptionValues(multi->Element()), QStringList({ "a", "b c", "d,e", "b" }));
}

TEST_F(ValueAccess, HiddenReadOnlyAndDisabledFieldsTakeDataOnLocalPagesOnly)
{
    const std::pair<const char*, bool> pages[] = { { "http://www.example.com/f.html", false },
                                                   { "http://LOCALHOST/f.html", true },
                                                   { "file:///tmp/f.html", true } };
    for (const auto& [url, local] : pages) {
        SCOPED_TRACE(url);
        auto model = page(url);
        channel.queued.clear();
        for (const char* name : { "text", "hidden", "readonly", "disabled", "area" })
            model->SetValue(QStringLiteral("//f/") + name, "new");
        QStringList values;
        for (const char* name : { "text", "area", "hidden", "readonly", "disabled" })
            values << model->GetValue(QStringLiteral("//f/") + name);
        EXPECT_EQ(values, local ? QStringList({ "new", "new", "new", "new", "new" }) : QStringList({ "new", "new", "h0", "r0", "d0" }));
        EXPECT_EQ(channel.queued.size(), local ? 5u : 2u) << "nothing is sent for the fields left alone";
    }
}

TEST_F(ValueAccess, PasswordsAreStoredEncryptedAndRestoredWhole)
{
    App().currentProject()->SetEncryptKey(Md5Hex("master123"));
    home.prompter().passwords.push_back(QString("master123"));
    SetTickCountSource([] {
        static quint32 tick = 1000;
        return tick++;
    });
    auto model = page("http://www.example.com/f.html");
    EXPECT_TRUE(home.prompter().asked.empty()) << "the parse asks for no master password";
    TTagFormPart* pw = model->FormParts().find("//f/pw");
    pw->Element()->setValue("se-cr-et");

    const QString first = model->GetValue("//f/pw");
    const QString second = model->GetValue("//f/pw");
    EXPECT_EQ(home.prompter().asked.size(), 1u) << "the first read asks, once";
    EXPECT_NE(first, second) << "the salt changes with the tick count";
    EXPECT_FALSE(first.contains("se-cr-et"));
    EXPECT_EQ(first.size() % 16, 0);

    pw->Element()->setValue("");
    model->SetValue("//f/pw", first);
    EXPECT_EQ(pw->Element()->value(), "se-cr-et");

    // A password stored empty is restored empty.
    model->SetValue("//f/pw", PasswordEncryptValue("", "master123", 77));
    EXPECT_EQ(pw->Element()->value(), "");
    pw->Element()->setValue("se-cr-et");
    // Another master password decrypts to nothing: the field keeps its value.
    model->SetValue("//f/pw", PasswordEncryptValue("other", "master999", 78));
    EXPECT_EQ(pw->Element()->value(), "se-cr-et");
    EXPECT_THROW(model->SetValue("//f/pw", QString(48, 'z')), TError);
}

TEST(GuardedWrite, RemoteDisabledElementsAreLeftAloneByEveryAccessor)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://remote.example/");
    const int f = top.form("f");
    top.input(f, "checkbox", "c", "on", { { "disabled", true } });
    top.element("TEXTAREA", { { "name", "t" }, { "value", "keep" }, { "disabled", true } });
    auto snapshot = b.build();
    THtmlElement* box = snapshot->topDocument()->forms()[0]->items()[0];
    InputValue(*FindTagAccess("INPUT_CHECKBOX"), box, "on");
    EXPECT_FALSE(box->checked());
    THtmlElement* text = snapshot->topDocument()->elementsByTagName("textarea")[0];
    InputValue(*FindTagAccess("textarea"), text, "changed");
    EXPECT_EQ(text->value(), "keep");
    EXPECT_EQ(FindTagAccess("INPUT_FILE"), nullptr);
}

TEST_F(ValueAccess, WithoutAMasterPasswordOnlyTheReadForSavingWarns)
{
    auto model = page("http://www.example.com/f.html");
    model->RootFrame()->Forms()[0]->RefreshValues();
    EXPECT_TRUE(home.prompter().asked.empty());
    model->GetValue("//f/pw");
    EXPECT_EQ(home.prompter().messages(), QStringList({ "マスターパスワードを設定してください" }));
}

} // namespace
