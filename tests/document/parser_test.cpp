#include "core/tickcount.h"
#include "document/screenidhistory.h"
#include "document/support/documenttesting.h"
#include "document/support/snapshotbuilder.h"
#include "document/tagscript.h"

#include <gtest/gtest.h>

namespace {

using Parser = TPageTest;

// Each frame element reads the document of its own window, also where the windows are not
// in the elements' order (a FRAME that a script put into the body before an IFRAME).
TEST_F(Parser, FrameElementsReadTheirOwnWindows)
{
    top.window(1); // the FRAME's window
    top.window(2); // the IFRAME's window
    top.frameElement("FRAME", "inserted", 0);
    top.frameElement("IFRAME", "box", 1);
    for (const char* name : { "frameDoc", "iframeDoc" }) {
        auto& doc = builder.document(QStringLiteral("http://localhost/%1.html").arg(name));
        doc.input(doc.form(name), "text", "t");
    }
    auto model = parse();
    EXPECT_EQ(formPartPaths(*model), QStringList({ "//box/iframeDoc/t" }));
}

TEST_F(Parser, InlineFramesComeAfterTheTopContentAndAddNoSize)
{
    top.body(640, 480, 8, 8, 8, 8);
    top.frame("IFRAME", "ad", "http://remote.example/ad.html", -1);
    top.frame("IFRAME", "box", "box.html", 1);
    top.frame("IFRAME", "box", "box2.html", 2);
    top.input(top.form("top"), "text", "q");
    top.script("var topVar;");
    for (int i = 1; i <= 2; ++i) {
        auto& box = builder.document(QStringLiteral("http://localhost/box%1.html").arg(i));
        box.body(5000, 5000);
        box.input(box.form("inner"), "text", "t");
        box.script(QStringLiteral("var v%1;").arg(i));
    }
    auto model = parse();
    EXPECT_EQ(formPartPaths(*model), QStringList({ "//box[0]/inner/t", "//box[1]/inner/t", "//top/q" }));
    EXPECT_EQ(model->Documents().size(), 3);
    EXPECT_EQ(model->Documents().first()->url(), "http://localhost/index.html");
    EXPECT_EQ(model->Width(), 656);
    EXPECT_EQ(model->Height(), 496);

    EXPECT_TRUE(home.logLines().contains("[WARN] IFRAME can not access: ad -> http://remote.example/ad.html"));
    EXPECT_EQ(model->RootFrame()->Scripts().at(0)->Variables(), QStringList({ "topVar=" }));
}

// The frame counter runs through nested framesets and starts again in a frame's document; an
// unreachable frame still takes its window.
TEST_F(Parser, FrameCounterOfNestedFramesets)
{
    const int outer = top.frameset("", "*,*");
    const int inner = top.frameset("*,*", "", outer);
    top.frame("FRAME", "left", "http://other.example/", -1, inner);
    top.frame("FRAME", "a", "a.html", 1, inner);
    top.frame("FRAME", "b", "b.html", 3, inner);
    top.frame("FRAME", "c", "c.html", 4, outer);
    auto& a = builder.document("http://localhost/a.html");
    a.frame("FRAME", "deep", "deep.html", 2, a.frameset("", "*"));
    for (const char* name : { "deep", "b", "c" }) {
        auto& doc = builder.document(QStringLiteral("http://localhost/%1.html").arg(name));
        doc.input(doc.form("f"), "text", name);
    }
    auto model = parse();
    EXPECT_EQ(formPartPaths(*model), QStringList({ "///a/deep/f/deep", "///b/f/b", "//c/f/c" }));
    const TTagFrame* frameset = model->RootFrame()->ChildFrames().at(0).get();
    EXPECT_EQ(frameset->TagName(), "FRAMESET");
    EXPECT_EQ(frameset->GetPath(), "//");
    EXPECT_EQ(frameset->ChildFrames().at(1)->GetPath(), "///a");
    EXPECT_TRUE(home.logLines().contains("[WARN] FRAME can not access: left -> http://other.example/"));
}

TEST_F(Parser, FramesetSizeFollowsTheSizingList)
{
    const struct {
        const char* rows;
        const char* cols;
        int width;
        int height;
    } cases[] = { { "", "200,*", 1000, 900 }, { "", "50%, 300", 480, 900 }, { "100,*", "", 800, 1000 },
                  { "", "200", 200, 600 },    { "", "abc,*", 800, 900 },    { "", "", 0, 0 },
                  { "*", "200,*", 1000, 600 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.rows) + "/" + c.cols);
        TSnapshotBuilder b;
        auto& doc = b.document("http://localhost/index.html");
        const int set = doc.frameset(c.rows, c.cols);
        doc.frame("FRAME", "one", "1.html", 1, set);
        doc.frame("FRAME", "two", "2.html", 2, set);
        b.document("http://localhost/1.html").body(180, 600);
        b.document("http://localhost/2.html").body(800, 900);
        auto model = parseModel(b.build());
        EXPECT_EQ(model->Width(), c.width);
        EXPECT_EQ(model->Height(), c.height);
    }
}

TEST_F(Parser, ScriptLanguageRule)
{
    struct Case {
        const char* meta; // nullptr: none
        const char* type;
        const char* language;
        bool javaScript;
    } cases[] = { { nullptr, "", "", true },        { nullptr, "text/javascript", "", true },
                  { nullptr, "", "JScript", true }, { nullptr, "text/vbscript", "", false },
                  { "text/vbscript", "", "", false }, { "text/vbscript", "", "javascript", true },
                  { "text/javascript", "", "", true }, { nullptr, "module", "", false } };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "meta " << (c.meta ? c.meta : "(none)") << ", type " << c.type
                                        << ", language " << c.language);
        TSnapshotBuilder b;
        auto& doc = b.document("http://localhost/index.html");
        if (c.meta) {
            doc.meta("Content-Script-Type", "text/javascript");
            doc.meta("CONTENT-SCRIPT-TYPE", c.meta); // the last one decides
        }
        doc.script("var x;", "", c.type, c.language);
        auto model = parseModel(b.build());
        EXPECT_EQ(model->RootFrame()->Scripts().size(), c.javaScript ? 1u : 0u);
    }
}

TEST_F(Parser, ScriptsOfRemotePagesDoNotRun)
{
    for (const char* url : { "http://localhost/a.html", "http://www.example.com/a.html" }) {
        TSnapshotBuilder b;
        b.document(url).script("function f(a) {}");
        SCOPED_TRACE(url);
        auto model = parseModel(b.build());
        const auto& scripts = model->RootFrame()->Scripts();
        if (scripts.size() != 1 || scripts.front()->Functions().size() != 1) {
            ADD_FAILURE() << "expected one script with one function";
            continue;
        }
        const TTagScript* script = scripts.front().get();
        const bool local = QString(url).contains("localhost");
        EXPECT_EQ(script->Executable(), local);
        EXPECT_EQ(script->Functions().front()->Executable(), local);
        EXPECT_EQ(dynamic_cast<const TTagScriptNoExecute*>(script) == nullptr, local);
    }
}

TEST_F(Parser, WithoutADocumentOnlyTheAddressCounts)
{
    SetTickCountSource([] { return 4242u; });
    TCalverdineDocument byUrl("http://host/app/edit.jsp");
    byUrl.Parse(std::shared_ptr<TPageSnapshot>(), TScreenIDSettings());
    EXPECT_EQ(byUrl.ScreenID(), "host_app_edit");
    EXPECT_EQ(byUrl.RootFrame()->ChildFrames().size(), 0u);
    EXPECT_FALSE(byUrl.HasAnyFormPart());

    TScreenIDSettings hidden;
    hidden.rule = 2;
    hidden.hiddenName = "sid";
    TCalverdineDocument unidentified("http://host/x.pdf");
    unidentified.Parse(std::shared_ptr<TPageSnapshot>(), hidden);
    EXPECT_EQ(unidentified.ScreenID(), "VOID_SID_4242");
    EXPECT_EQ(App().service<TScreenIDHistory>().items(), QStringList({ "host_app_edit", "" }));
    SetTickCountSource({});
}

TEST_F(Parser, OnlyTextSelectAndTextareaKindsAreFormParts)
{
    const int f = top.form("f");
    for (const char* type : { "button", "submit", "image", "reset", "file", "text", "email", "password", "checkbox",
                              "radio", "hidden" })
        top.input(f, type, type);
    top.select(f, "s", {});
    top.textarea(f, "t", "");
    top.element("FIELDSET", { { "name", "fs" } });
    auto model = parse();
    QStringList names;
    for (const auto& part : model->RootFrame()->Forms()[0]->Parts())
        names.append(part->GetName() + ":" + part->GetType());
    EXPECT_EQ(names, QStringList({ "text:text", "email:email", "password:password", "checkbox:checkbox",
                                   "radio:radio", "hidden:hidden", "s:select", "t:textarea" }));
    EXPECT_EQ(model->Buttons().count(), 2);
}

TEST_F(Parser, FormValuesAreReadAtParseTimeAndByPosition)
{
    const int f = top.form("f", "/post", "post");
    top.input(f, "text", "a", "1");
    top.input(f, "checkbox", "c", "on");
    auto model = parse();
    TTagForm* form = model->RootFrame()->Forms()[0].get();
    EXPECT_EQ(form->Values(), QStringList({ "a=1", "c=__UN_CHECKED_VAL__" }));
    EXPECT_EQ(form->Method(), "post");
    form->SetPartValue(2, "on");
    EXPECT_EQ(form->Values(), QStringList({ "a=1", "c=on" }));
    form->SetPartValue(9, "ignored");
    EXPECT_EQ(form->Values().size(), 2);
}

} // namespace
