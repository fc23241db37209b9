#include "document/support/documenttesting.h"
#include "document/support/snapshotbuilder.h"
#include "document/tagtree.h"

#include <gtest/gtest.h>

// The frameset tag path table is checked on the frameset fixture (fixtures_test.cpp).
namespace {

using TagPaths = TPageTest;
using Keys = TPageTest;
using CollectValues = TPageTest;

TEST_F(TagPaths, CountersForUnnamedAndCaseVariantNames)
{
    const int f1 = top.form("");
    const int f2 = top.form("");
    top.input(f1, "text", "x");
    top.input(f2, "text", "Name");
    top.input(f2, "text", "NAME");
    auto model = parse();
    EXPECT_EQ(formPartPaths(*model), QStringList({ "//[0]/x", "//[1]/Name[0]", "//[1]/NAME[1]" }));
    EXPECT_EQ(model->RootFrame()->Forms()[1]->Parts()[1]->GetLocalName(), "NAME[1]");

    // Letters beyond ASCII fold too: accented and full-width names are case variants.
    TSnapshotBuilder wide;
    auto& w = wide.document("http://localhost/w.html");
    const int form = w.form("Ｆ");
    w.input(form, "text", "Élan", "first");
    w.input(form, "text", "éLAN", "second");
    auto wideModel = parseModel(wide.build());
    EXPECT_EQ(formPartPaths(*wideModel), QStringList({ "//Ｆ/Élan[0]", "//Ｆ/éLAN[1]" }));
    EXPECT_EQ(wideModel->GetValue(QStringLiteral("//ｆ/élan[1]")), "second");

    TSnapshotBuilder single;
    auto& page = single.document("http://localhost/a.html");
    page.input(page.form(""), "text", "x");
    EXPECT_EQ(formPartPaths(*parseModel(single.build())), QStringList({ "///x" }));
}

TEST_F(TagPaths, ALaterPartWithTheSamePathReplacesTheEarlierOne)
{
    const int f = top.form("f");
    top.input(f, "text", "a[0]", "literal");
    top.input(f, "text", "b", "first b");
    top.input(f, "text", "a", "first");
    top.input(f, "text", "a", "second");
    auto model = parse();
    // "a[0]" is taken twice: by the literal name and by the counter of the first "a".
    EXPECT_EQ(formPartPaths(*model), QStringList({ "//f/b", "//f/a[0]", "//f/a[1]" }));
    EXPECT_EQ(model->GetValue("//F/A[0]"), "first");
    EXPECT_EQ(model->GetValue("//f/missing"), "フォーム部品なし");
    EXPECT_TRUE(model->HasAnyFormPart());
}

TEST_F(Keys, ButtonKeysAreMadeUnique)
{
    const int f = top.form("f", "/go");
    const int g = top.form("", "/act");
    top.input(f, "submit", "b", "OK");
    top.input(f, "button", "b", "Again");
    top.input(f, "button", "B", "Third");
    top.input(-1, "button", "send", "Send");
    top.input(g, "submit", "", "Go");
    top.input(f, "reset", "r");
    top.input(f, "image", "i");
    auto model = parse();
    QStringList keys;
    for (int i = 0; i < model->Buttons().count(); ++i)
        keys.append(model->Buttons().keyAt(i));
    EXPECT_EQ(keys, QStringList({ "f.b", "f.b[1]", "f.B[2]", ".send", "/act.submit" }));
    EXPECT_EQ(model->Buttons().find("F.B[1]")->GetCaption(), "Again (f.b[1])");
}

TEST_F(Keys, AnchorKeysAndCaptions)
{
    top.anchor("http://localhost/x", "Text");
    top.anchor("http://localhost/x", "", "Alt", "img.png");
    top.anchor("http://localhost/y", "", "", "img.png");
    top.anchor("http://localhost/z", "");
    top.anchor("", "no link");
    auto model = parse();
    QStringList captions;
    for (int i = 0; i < model->Anchors().count(); ++i)
        captions.append(model->Anchors().at(i)->GetCaption());
    EXPECT_EQ(captions, QStringList({ "Text (http://localhost/x)", "Alt (http://localhost/x[1])",
                                      "img.png (http://localhost/y)", " (http://localhost/z)" }));
}

TEST_F(CollectValues, LaterPartsWinAndHiddenFollowsTheSwitch)
{
    top.frame("IFRAME", "inner", "inner.html", 1);
    top.input(top.form("f"), "text", "q", "top");
    auto& inner = builder.document("http://localhost/inner.html");
    const int g = inner.form("g");
    inner.input(g, "text", "t", "child");
    inner.input(g, "hidden", "h", "secret");
    auto model = parse();

    QStringList lines { "//f/q=stored", "//inner/g/h=old", "other=1" };
    model->CollectValues(lines, false);
    EXPECT_EQ(lines, QStringList({ "other=1", "//inner/g/t=child", "//f/q=top" }));

    QStringList withHidden;
    model->CollectValues(withHidden, true);
    EXPECT_EQ(withHidden, QStringList({ "//inner/g/t=child", "//inner/g/h=secret", "//f/q=top" }));
}

} // namespace
