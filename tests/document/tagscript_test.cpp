#include "document/calverdinedocument.h"
#include "document/pagesnapshot.h"
#include "document/support/documenttesting.h"
#include "document/support/snapshotbuilder.h"
#include "document/tagscript.h"

#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

struct ScanCase {
    const char* source;
    QStringList variables;
    QStringList functions; // "name(param,param)"
};

QStringList functionsOf(const TTagScript& script)
{
    QStringList list;
    for (const auto& f : script.Functions()) {
        QStringList parameters;
        for (const QString& p : f->Parameters())
            parameters.append(p.chopped(1)); // "name=" -> "name"
        list.append(f->Name() + "(" + parameters.join(",") + ")");
    }
    return list;
}

class Scanner : public ::testing::TestWithParam<ScanCase> {};

TEST_P(Scanner, FindsVariablesAndFunctions)
{
    auto script = TTagScript::FromText(QString::fromUtf8(GetParam().source));
    QStringList names;
    for (const QString& line : script->Variables())
        names.append(line.chopped(1));
    EXPECT_EQ(names, GetParam().variables) << GetParam().source;
    EXPECT_EQ(functionsOf(*script), GetParam().functions) << GetParam().source;
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, Scanner,
    ::testing::Values(ScanCase { "var a, b;", { "a", "b" }, {} }, ScanCase { "var a = 1, b = 2;", { "a" }, {} },
                      ScanCase { "var  a;", {}, {} }, ScanCase { "var A; var a; Var c;", { "A", "c" }, {} },
                      ScanCase { "count = 0;", { "count" }, {} }, ScanCase { "count=0;", { "count" }, {} },
                      ScanCase { "total += 2;", { "total" }, {} }, ScanCase { "x /= 2;", { "x" }, {} },
                      ScanCase { "obj.x = 1;", {}, {} }, ScanCase { "if (a == b) { c = 1; }", {}, {} },
                      ScanCase { "function g() { inner = 1; }", {}, { "g()" } },
                      ScanCase { "this.x = 1; new Foo(); return = 2;", {}, {} },
                      // Reserved in any letter case, the unusual ones too; others are names.
                      ScanCase { "var comment, label, goto, native, Synchronized, typeof, let, undefined; start = 1;",
                                 { "let", "undefined" }, {} }));

INSTANTIATE_TEST_SUITE_P(
    Functions, Scanner,
    ::testing::Values(ScanCase { "function f(a, b) {}", {}, { "f(a,b)" } },
                      ScanCase { "function f() { var q; function inner(x) {} }", {}, { "f()", "inner(x)" } },
                      ScanCase { "x = function(a) {}", { "x" }, {} }, ScanCase { "function(a) {}", {}, {} },
                      ScanCase { "function (a) {}", {}, { "(a)" } },
                      ScanCase { "function\nspread(\n a ,\tb\n) {}", {}, { "spread(a,b)" } }));

INSTANTIATE_TEST_SUITE_P(
    Skipped, Scanner,
    ::testing::Values(ScanCase { "s = \"var hidden = 1; function no() {}\";", { "s" }, {} },
                      ScanCase { "s = 'it\\'s var x = 1';", { "s" }, {} },
                      ScanCase { "// var commented = 1;\nvar real;", { "real" }, {} },
                      ScanCase { "/* function no() {} */ var real;", { "real" }, {} },
                      ScanCase { "<!--\nvar a;\n//-->", { "a" }, {} },
                      ScanCase { "list[i] = 1; var after;", { "list", "after" }, {} },
                      ScanCase { "t = \"\\u0041\\x41\\101\"; u = 1;", { "t", "u" }, {} },
                      ScanCase { "var open = \"never closed", { "open" }, {} }, ScanCase { "", {}, {} },
                      ScanCase { "function unfinished(a", {}, { "unfinished(a)" } },
                      ScanCase { "}}}} x = 1;", {}, {} }));

TEST(ScriptNodes, CaptionsAndSources)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/app/page.html");
    top.setId(top.script("var inline;"), "main");
    top.script("", "lib/cached.js");
    top.script("", "/missing.js");
    top.scriptText("http://localhost/app/lib/cached.js", "function fromCache(x) {}");
    TCalverdineDocument model("http://localhost/app/page.html");
    model.Parse(b.build(), TScreenIDSettings());
    const auto& scripts = model.RootFrame()->Scripts();
    ASSERT_EQ(scripts.size(), 3u);
    EXPECT_EQ(scripts[0]->GetCaption(), "main");
    EXPECT_EQ(scripts[0]->Variables(), QStringList({ "inline=" }));
    EXPECT_EQ(scripts[1]->GetCaption(), "lib/cached.js");
    EXPECT_EQ(functionsOf(*scripts[1]), QStringList({ "fromCache(x)" }));
    EXPECT_EQ(scripts[2]->Text(), "") << "a script the browser has not cached is not fetched";
    EXPECT_TRUE(scripts[2]->Variables().isEmpty());
    EXPECT_EQ(TTagScript::FromText("")->GetCaption(), "SCRIPT");
}

TEST(ScriptNodes, ExternalScriptsAreFoundUnderTheAddressOfTheirOwnDocument)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/app/index.php?next=/x/y");
    top.script("", "top.js");
    top.scriptText("http://localhost/app/top.js", "var fromTop;");
    top.frame("IFRAME", "f", "sub/frame.html", 1);
    auto& frame = b.document("http://localhost/app/sub/frame.html");
    frame.script("", "lib.js");
    frame.scriptText("http://localhost/app/sub/lib.js", "var fromFrame;");
    TCalverdineDocument model("http://localhost/app/index.php?next=/x/y");
    model.Parse(b.build(), TScreenIDSettings());
    ASSERT_EQ(model.RootFrame()->Scripts().size(), 1u);
    EXPECT_EQ(model.RootFrame()->Scripts()[0]->Variables(), QStringList({ "fromTop=" }));
    const TTagFrame* inner = model.RootFrame()->ChildFrames().at(0).get();
    ASSERT_EQ(inner->Scripts().size(), 1u);
    EXPECT_EQ(inner->Scripts()[0]->Variables(), QStringList({ "fromFrame=" }));
}

TEST(ScriptNodes, LocalScriptFilesAreReadAndAMissingOneOnlyWarns)
{
    TDocumentTestHome home;
    QFile file(home.file("lib.js"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("var fromDisk;\n");
    file.close();
    const QString pageUrl = QUrl::fromLocalFile(home.file("page.html")).toString();
    TSnapshotBuilder b;
    auto& top = b.document(pageUrl);
    top.script("", "lib.js");
    top.script("", "./gone.js");
    top.script("", "file:///dev/zero"); // never ends: not read at all
    top.input(top.form("f"), "text", "still");
    TCalverdineDocument model(pageUrl);
    model.Parse(b.build(), TScreenIDSettings());
    const auto& scripts = model.RootFrame()->Scripts();
    ASSERT_EQ(scripts.size(), 3u);
    EXPECT_EQ(scripts[0]->Variables(), QStringList({ "fromDisk=" }));
    EXPECT_TRUE(scripts[1]->Text().isEmpty());
    EXPECT_TRUE(scripts[2]->Text().isEmpty());
    EXPECT_TRUE(model.HasAnyFormPart()) << "the page is still parsed";
    bool warned = false;
    for (const QString& line : home.logLines())
        warned = warned || (line.startsWith("[WARN] script load error:") && line.contains("gone.js"));
    EXPECT_TRUE(warned) << home.logLines().join("\n").toStdString();
    EXPECT_TRUE(home.logLines().contains("[WARN] script load error:cannot read /dev/zero: not a file"));
}

TEST(ScriptNodes, RelativeAddressesResolveAgainstThePage)
{
    const QString page = "http://host:8080/app/sub/page.html?x=1";
    struct Case {
        const char* src;
        const char* address;
    } cases[] = {
        { "https://cdn/x.js", "https://cdn/x.js" },       { "/root.js", "http://host:8080/root.js" },
        { "./here.js", "http://host:8080/app/sub/here.js" }, { "../up.js", "http://host:8080/app/up.js" },
        { "../../top.js", "http://host:8080/top.js" },    { "../../../../far.js", "http://host:8080/far.js" },
        { "plain.js", "http://host:8080/app/sub/plain.js" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveScriptAddress(c.src, page), c.address) << c.src;
    EXPECT_EQ(ResolveScriptAddress("../x.js", "file:///home/u/site/a/p.html"), "file:///home/u/site/x.js");
}

} // namespace
