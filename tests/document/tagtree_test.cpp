#include "document/calverdinedocument.h"
#include "document/pagesnapshot.h"
#include "document/support/documenttesting.h"
#include "document/support/snapshotbuilder.h"
#include "document/tagtree.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TCalverdineDocument> parse(const TSnapshotBuilder& builder, const QString& url = "http://localhost/a.html")
{
    auto model = std::make_unique<TCalverdineDocument>(url);
    model->Parse(builder.build(), TScreenIDSettings());
    return model;
}

QStringList formPartPaths(const TCalverdineDocument& model)
{
    QStringList paths;
    for (int i = 0; i < model.FormParts().count(); ++i)
        paths.append(model.FormParts().keyAt(i));
    return paths;
}

// The frameset page with the frames menu and main; main holds the form login.
TEST(TagPaths, FramesetTableOfFullAndShortPaths)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/index.html");
    const int set = top.frameset("", "200,*");
    top.frame("FRAME", "menu", "menu.html", 1, set);
    top.frame("FRAME", "main", "main.html", 2, set);
    b.document("http://localhost/menu.html").body(180, 600);
    auto& main = b.document("http://localhost/main.html");
    main.body(800, 900);
    const int login = main.form("login");
    main.input(login, "text", "user");
    main.input(login, "radio", "sex", "m");
    main.input(login, "radio", "sex", "f");
    auto model = parse(b);

    const TTagFrame* root = model->RootFrame();
    ASSERT_EQ(root->ChildFrames().size(), 2u);
    const TTagFrame* menu = root->ChildFrames()[0].get();
    const TTagFrame* mainFrame = root->ChildFrames()[1].get();
    const TTagForm* form = mainFrame->Forms().at(0).get();
    struct Row {
        const TTagBase* node;
        const char* full;
        const char* shortPath;
    } rows[] = {
        { root, "/", "/" },
        { menu, "//menu", "/menu" },
        { mainFrame, "//main", "/main" },
        { form, "//main/login", "/main/login" },
        { form->Parts()[0].get(), "//main/login/user", "/main/login/user" },
        { form->Parts()[1].get(), "//main/login/sex[0]", "/main/login/sex[0]" },
        { form->Parts()[2].get(), "//main/login/sex[1]", "/main/login/sex[1]" },
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.node->GetPath(), row.full);
        EXPECT_EQ(row.node->GetShortPath(), row.shortPath);
    }
    EXPECT_EQ(formPartPaths(*model),
              QStringList({ "//main/login/user", "//main/login/sex[0]", "//main/login/sex[1]" }));
    EXPECT_EQ(model->Width(), 1000);
    EXPECT_EQ(model->Height(), 900);
}

TEST(TagPaths, PagesWithoutFramesAndNestedFramesets)
{
    TDocumentTestHome home;
    TSnapshotBuilder plain;
    auto& page = plain.document("http://localhost/a.html");
    page.input(page.form("f"), "text", "q");
    EXPECT_EQ(formPartPaths(*parse(plain)), QStringList({ "//f/q" }));

    TSnapshotBuilder nested;
    auto& top = nested.document("http://localhost/index.html");
    const int outer = top.frameset("", "*");
    const int inner = top.frameset("*", "", outer);
    top.frame("FRAME", "a", "a.html", 1, inner);
    auto& a = nested.document("http://localhost/a.html");
    a.input(a.form("f"), "text", "q");
    auto model = parse(nested);
    const TTagFrame* frameset = model->RootFrame()->ChildFrames().at(0).get();
    EXPECT_EQ(frameset->TagName(), "FRAMESET");
    EXPECT_EQ(frameset->GetPath(), "//");
    EXPECT_EQ(frameset->ChildFrames().at(0)->GetPath(), "///a");
    EXPECT_EQ(formPartPaths(*model), QStringList({ "///a/f/q" }));
}

TEST(TagPaths, CountersForUnnamedAndCaseVariantNames)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/a.html");
    const int f1 = top.form("");
    const int f2 = top.form("");
    top.input(f1, "text", "x");
    top.input(f2, "text", "Name");
    top.input(f2, "text", "NAME");
    auto model = parse(b);
    EXPECT_EQ(formPartPaths(*model), QStringList({ "//[0]/x", "//[1]/Name[0]", "//[1]/NAME[1]" }));
    EXPECT_EQ(model->RootFrame()->Forms()[1]->Parts()[1]->GetLocalName(), "NAME[1]");

    TSnapshotBuilder single;
    auto& page = single.document("http://localhost/a.html");
    page.input(page.form(""), "text", "x");
    EXPECT_EQ(formPartPaths(*parse(single)), QStringList({ "///x" }));
}

TEST(TagPaths, ALaterPartWithTheSamePathReplacesTheEarlierOne)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/a.html");
    const int f = top.form("f");
    top.input(f, "text", "a[0]", "literal");
    top.input(f, "text", "b", "first b");
    top.input(f, "text", "a", "first");
    top.input(f, "text", "a", "second");
    auto model = parse(b);
    // "a[0]" is taken twice: by the literal name and by the counter of the first "a".
    EXPECT_EQ(formPartPaths(*model), QStringList({ "//f/b", "//f/a[0]", "//f/a[1]" }));
    EXPECT_EQ(model->GetValue("//F/A[0]"), "first");
    EXPECT_EQ(model->GetValue("//f/missing"), "フォーム部品なし");
    EXPECT_TRUE(model->HasAnyFormPart());
}

TEST(Keys, ButtonKeysAreMadeUnique)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/a.html");
    const int f = top.form("f", "/go");
    const int g = top.form("", "/act");
    top.input(f, "submit", "b", "OK");
    top.input(f, "button", "b", "Again");
    top.input(f, "button", "B", "Third");
    top.input(-1, "button", "send", "Send");
    top.input(g, "submit", "", "Go");
    top.input(f, "reset", "r");
    top.input(f, "image", "i");
    auto model = parse(b);
    QStringList keys;
    for (int i = 0; i < model->Buttons().count(); ++i)
        keys.append(model->Buttons().keyAt(i));
    EXPECT_EQ(keys, QStringList({ "f.b", "f.b[1]", "f.B[2]", ".send", "/act.submit" }));
    EXPECT_EQ(model->Buttons().find("F.B[1]")->GetCaption(), "Again (f.b[1])");
}

TEST(Keys, AnchorKeysAndCaptions)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/a.html");
    top.anchor("http://localhost/x", "Text");
    top.anchor("http://localhost/x", "", "Alt", "img.png");
    top.anchor("http://localhost/y", "", "", "img.png");
    top.anchor("http://localhost/z", "");
    top.anchor("", "no link");
    auto model = parse(b);
    ASSERT_EQ(model->Anchors().count(), 4);
    EXPECT_EQ(model->Anchors().at(0)->GetCaption(), "Text (http://localhost/x)");
    EXPECT_EQ(model->Anchors().at(1)->GetCaption(), "Alt (http://localhost/x[1])");
    EXPECT_EQ(model->Anchors().at(2)->GetCaption(), "img.png (http://localhost/y)");
    EXPECT_EQ(model->Anchors().at(3)->GetCaption(), " (http://localhost/z)");
}

TEST(CollectValues, LaterPartsWinAndHiddenFollowsTheSwitch)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/index.html");
    top.frame("IFRAME", "inner", "inner.html", 1);
    top.input(top.form("f"), "text", "q", "top");
    auto& inner = b.document("http://localhost/inner.html");
    const int g = inner.form("g");
    inner.input(g, "text", "t", "child");
    inner.input(g, "hidden", "h", "secret");
    auto model = parse(b);

    QStringList lines { "//f/q=stored", "//inner/g/h=old", "other=1" };
    model->CollectValues(lines, false);
    EXPECT_EQ(lines, QStringList({ "other=1", "//inner/g/t=child", "//f/q=top" }));

    QStringList withHidden;
    model->CollectValues(withHidden, true);
    EXPECT_EQ(withHidden, QStringList({ "//inner/g/t=child", "//inner/g/h=secret", "//f/q=top" }));
}

} // namespace
