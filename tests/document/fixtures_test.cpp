#include "document/support/documenttesting.h"
#include "document/tagscript.h"
#include "document/tagtree.h"

#include <QFile>

#include <gtest/gtest.h>

// The models of the fixture pages, built from the snapshots expected of them.
namespace {

const QString kLocal = "http://127.0.0.1:8080";

std::unique_ptr<TCalverdineDocument> fixture(const QString& name, const TScreenIDSettings& settings = {})
{
    QFile file(QStringLiteral(CALVERDINE_FIXTURES_DIR "/snapshots/") + name + ".json");
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("missing fixture " + name.toStdString());
    QByteArray json = file.readAll();
    json.replace("{{LOCAL}}", kLocal.toUtf8()).replace("{{REMOTE}}", "http://127.0.0.2:8080");
    return parseModel(TPageSnapshot::fromJson(json), settings);
}

QStringList keys(const TCalverdineDocument& model)
{
    QStringList list;
    for (int i = 0; i < model.FormParts().count(); ++i)
        list.append(model.FormParts().keyAt(i) + "=" + model.FormParts().at(i)->GetValue());
    return list;
}

// The frameset page with the frames menu, main and help; main holds the form login.
TEST(FixturePages, FramesetTableOfFullAndShortPaths)
{
    TDocumentTestHome home;
    auto model = fixture("frameset");
    const TTagFrame* root = model->RootFrame();
    ASSERT_EQ(root->ChildFrames().size(), 3u);
    const TTagForm* form = root->ChildFrames()[1]->Forms().at(0).get();
    const std::tuple<const TTagBase*, const char*, const char*> rows[] = {
        { root, "/", "/" },
        { root->ChildFrames()[0].get(), "//menu", "/menu" },
        { root->ChildFrames()[1].get(), "//main", "/main" },
        { root->ChildFrames()[2].get(), "//help", "/help" },
        { form, "//main/login", "/main/login" },
        { form->Parts()[0].get(), "//main/login/user", "/main/login/user" },
        { form->Parts()[1].get(), "//main/login/sex[0]", "/main/login/sex[0]" },
        { form->Parts()[2].get(), "//main/login/sex[1]", "/main/login/sex[1]" },
    };
    for (const auto& [node, full, shortPath] : rows) {
        EXPECT_EQ(node->GetPath(), full);
        EXPECT_EQ(node->GetShortPath(), shortPath);
    }
    QStringList captions;
    for (const auto& frame : root->ChildFrames())
        captions.append(frame->GetCaption());
    EXPECT_EQ(captions, QStringList({ "menu", "main", "help" }));
    EXPECT_EQ(keys(*model), QStringList({ "//main/login/user=", "//main/login/sex[0]=m",
                                          "//main/login/sex[1]=__UN_CHECKED_VAL__", "//help/search/q=" }));
    EXPECT_EQ(model->Width(), 1150);
    EXPECT_EQ(model->Height(), 900);
    EXPECT_EQ(model->Buttons().keyAt(0), "login.send");
    EXPECT_EQ(model->Anchors().count(), 2);
    EXPECT_EQ(model->ScreenID(), "127.0.0.1_frameset_index");
}

TEST(FixturePages, InlineFramesWithACrossOriginOne)
{
    TDocumentTestHome home;
    auto model = fixture("iframes");
    EXPECT_EQ(keys(*model), QStringList({ "//inner/inner/word=inner", "//top/word=top" }));
    EXPECT_EQ(model->RootFrame()->ChildFrames()[1]->Document(), nullptr);
    EXPECT_TRUE(home.logLines().contains(
        "[WARN] IFRAME can not access: remote -> http://127.0.0.2:8080/iframe-remote.html"));
    EXPECT_EQ(model->Width(), 1000);
    EXPECT_EQ(model->Height(), 700);
}

TEST(FixturePages, LoginFormWithEveryKindOfField)
{
    TDocumentTestHome home;
    auto model = fixture("login");
    QStringList values = keys(*model);
    ASSERT_EQ(values.size(), 11);
    EXPECT_TRUE(values[1].startsWith("//login/pass=")) << "a password reads in its stored form";
    values.removeAt(1);
    EXPECT_EQ(values, QStringList({ "//login/user=taro", "//login/remember=yes", "//login/lang[0]=ja",
                                    "//login/lang[1]=__UN_CHECKED_VAL__", "//login/role=user", "//login/tags=a,c",
                                    "//login/note=hello", "//login/sid=LOGIN01", "//login/code=X-1",
                                    "//login/old=gone" }));
    EXPECT_EQ(model->Buttons().keyAt(0), "login.send");
    EXPECT_EQ(model->Buttons().keyAt(1), "login.button");
    QStringList anchors;
    for (int i = 0; i < model->Anchors().count(); ++i)
        anchors.append(model->Anchors().at(i)->GetCaption());
    EXPECT_EQ(anchors, QStringList({ "Register (" + kLocal + "/register.html)", "Help (" + kLocal + "/help.html)",
                                     "Help again (" + kLocal + "/help.html[1])" }));

    // The page is local: every field takes stored data, the disabled one too.
    model->SetValue("//login/old", "back");
    EXPECT_EQ(model->GetValue("//login/old"), "back");

    TScreenIDSettings byHidden;
    byHidden.rule = 2;
    byHidden.hiddenName = "sid";
    EXPECT_EQ(fixture("login", byHidden)->ScreenID(), "LOGIN01");
    TScreenIDSettings byId;
    byId.rule = 3;
    byId.elementId = "screen";
    EXPECT_EQ(fixture("login", byId)->ScreenID(), "LOGIN");
}

TEST(FixturePages, ScriptsOfEveryLanguage)
{
    TDocumentTestHome home;
    auto model = fixture("scripts");
    const auto& scripts = model->RootFrame()->Scripts();
    ASSERT_EQ(scripts.size(), 3u) << "the VBScript element is left out";
    EXPECT_EQ(scripts[0]->GetCaption(), "inline");
    EXPECT_EQ(scripts[0]->Variables(), QStringList({ "counter=", "limit=", "text=" }));
    ASSERT_EQ(scripts[0]->Functions().size(), 1u);
    EXPECT_EQ(scripts[0]->Functions()[0]->Name(), "add");
    EXPECT_EQ(scripts[0]->Functions()[0]->Parameters(), QStringList({ "a=", "b=" }));
    EXPECT_EQ(scripts[1]->GetCaption(), "scripts/lib.js");
    EXPECT_EQ(scripts[1]->Variables(), QStringList({ "libVersion=" }));
    EXPECT_EQ(scripts[1]->Functions()[0]->Name(), "greet");
    EXPECT_EQ(scripts[2]->Variables(), QStringList({ "legacy=" }));
    EXPECT_TRUE(scripts[0]->Executable());
}

} // namespace
