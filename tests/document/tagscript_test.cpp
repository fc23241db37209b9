#include "document/support/documenttesting.h"
#include "document/support/snapshotbuilder.h"
#include "document/tagscript.h"

#include <QElapsedTimer>
#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

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

TEST(Scanner, FindsVariablesAndFunctions)
{
    const struct {
        const char* source;
        QStringList variables;
        QStringList functions; // "name(param,param)"
    } cases[] = {
        // Declarations
        { "var a, b;", { "a", "b" }, {} }, { "var a = 1, b = 2;", { "a" }, {} }, { "var  a;", {}, {} },
        { "var A; var a; Var c;", { "A", "c" }, {} },
        // Every entry of the comma list, an empty one too (once: names are unique).
        { "var a,,b;", { "a", "", "b" }, {} }, { "var a, ,b,;", { "a", "", "b" }, {} }, { "count = 0;", { "count" }, {} },
        { "count=0;", { "count" }, {} }, { "total += 2;", { "total" }, {} }, { "x /= 2;", { "x" }, {} },
        { "obj.x = 1;", {}, {} }, { "if (a == b) { c = 1; }", {}, {} },
        { "function g() { inner = 1; }", {}, { "g()" } }, { "this.x = 1; new Foo(); return = 2;", {}, {} },
        // Reserved in any letter case, the unusual ones too; others are names.
        { "var comment, label, goto, native, Synchronized, typeof, let, undefined; start = 1;", { "let", "undefined" }, {} },
        // Functions
        { "function f(a, b) {}", {}, { "f(a,b)" } },
        { "function f() { var q; function inner(x) {} }", {}, { "f()", "inner(x)" } },
        { "x = function(a) {}", { "x" }, {} }, { "function(a) {}", {}, {} },
        { "function (a) {}", {}, { "(a)" } }, { "function\nspread(\n a ,\tb\n) {}", {}, { "spread(a,b)" } },
        // Text skipped
        { "s = \"var hidden = 1; function no() {}\";", { "s" }, {} },
        { "s = 'it\\'s var x = 1';", { "s" }, {} }, { "// var commented = 1;\nvar real;", { "real" }, {} },
        { "/* function no() {} */ var real;", { "real" }, {} }, { "<!--\nvar a;\n//-->", { "a" }, {} },
        { "list[i] = 1; var after;", { "list", "after" }, {} },
        { "t = \"\\u0041\\x41\\101\"; u = 1;", { "t", "u" }, {} },
        { "var open = \"never closed", { "open" }, {} }, { "", {}, {} },
        { "function unfinished(a", {}, { "unfinished(a)" } }, { "}}}} x = 1;", {}, {} },
    };
    for (const auto& c : cases) {
        auto script = TTagScript::FromText(QString::fromUtf8(c.source));
        QStringList names;
        for (const QString& line : script->Variables())
            names.append(line.chopped(1));
        EXPECT_EQ(names, c.variables) << c.source;
        EXPECT_EQ(functionsOf(*script), c.functions) << c.source;
    }
}

// Long words followed by runs of operators: every path of the scanner stays linear, so a
// crafted script of a few megabytes scans at once instead of freezing the window for minutes.
TEST(Scanner, LongWordsFollowedByOperatorsScanInLinearTime)
{
    const qsizetype n = 1000000;
    const struct {
        const char* name;
        QString source;
        QStringList variables;
    } cases[] = {
        { "word with a dot, blank, then operators", QString(n, 'A') + ". " + QString(n, '+'), {} },
        { "dotted word, then operators", "a." + QString(n, 'A') + QString(n, '+'), {} },
        { "word ending in a dot, then operators", QString(n, 'A') + "." + QString(n, '+'), {} },
        { "plain word, blank, then operators", QString(n, 'B') + " " + QString(n, '+') + ";",
          { QString(n, 'B') } },
    };
    QElapsedTimer timer;
    timer.start();
    for (const auto& c : cases) {
        auto script = TTagScript::FromText(c.source);
        QStringList names;
        for (const QString& line : script->Variables())
            names.append(line.chopped(1));
        EXPECT_EQ(names, c.variables) << c.name;
    }
    // Linear: well under a second on any machine; quadratic: hours.
    EXPECT_LT(timer.elapsed(), 20000);
}

// Inline and cached scripts, in the top document and in a frame, each under its own document's address.
TEST(ScriptNodes, CaptionsAndSources)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/app/index.php?next=/x/y");
    top.setId(top.script("var inline;"), "main");
    top.script("", "lib/cached.js");
    top.script("", "/missing.js");
    top.scriptText("http://localhost/app/lib/cached.js", "function fromCache(x) {}");
    top.frame("IFRAME", "f", "sub/frame.html", 1);
    auto& frame = b.document("http://localhost/app/sub/frame.html");
    frame.script("", "lib.js");
    frame.scriptText("http://localhost/app/sub/lib.js", "var fromFrame;");
    auto model = parseModel(b.build());
    const auto& scripts = model->RootFrame()->Scripts();
    ASSERT_EQ(scripts.size(), 3u);
    EXPECT_EQ(scripts[0]->GetCaption(), "main");
    EXPECT_EQ(scripts[0]->Variables(), QStringList({ "inline=" }));
    EXPECT_EQ(scripts[1]->GetCaption(), "lib/cached.js");
    EXPECT_EQ(functionsOf(*scripts[1]), QStringList({ "fromCache(x)" }));
    EXPECT_EQ(scripts[2]->Text(), "") << "a script the browser has not cached is not fetched";
    EXPECT_TRUE(scripts[2]->Variables().isEmpty());
    EXPECT_EQ(TTagScript::FromText("")->GetCaption(), "SCRIPT");
    const TTagFrame* inner = model->RootFrame()->ChildFrames().at(0).get();
    ASSERT_EQ(inner->Scripts().size(), 1u);
    EXPECT_EQ(inner->Scripts()[0]->Variables(), QStringList({ "fromFrame=" }));
}

// The page gives the addresses of cached scripts percent-encoded (blanks and non-ASCII
// letters are checked on the real engine); an attribute encoded already is not encoded twice.
TEST(ScriptNodes, CachedScriptsWhoseAttributeIsEncodedAlreadyAreFound)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/app/index.html");
    top.script("", "js/already%20encoded.js");
    top.scriptText("http://localhost/app/js/already%20encoded.js", "var encoded;");
    auto model = parseModel(b.build());
    ASSERT_EQ(model->RootFrame()->Scripts().size(), 1u);
    EXPECT_EQ(model->RootFrame()->Scripts()[0]->Variables(), QStringList({ "encoded=" }));
}

TEST(ScriptNodes, LocalScriptFilesAreReadAndAMissingOneOnlyWarns)
{
    TDocumentTestHome home;
    ASSERT_TRUE(WriteFileBytes(home.file("lib.js"), "var fromDisk;\n"));
    const QString pageUrl = QUrl::fromLocalFile(home.file("page.html")).toString();
    TSnapshotBuilder b;
    auto& top = b.document(pageUrl);
    top.script("", "lib.js");
    top.script("", "./gone.js");
    top.script("", "file:///dev/zero"); // never ends: not read at all
    top.input(top.form("f"), "text", "still");
    auto model = parseModel(b.build());
    const auto& scripts = model->RootFrame()->Scripts();
    ASSERT_EQ(scripts.size(), 3u);
    EXPECT_EQ(scripts[0]->Variables(), QStringList({ "fromDisk=" }));
    EXPECT_TRUE(scripts[1]->Text().isEmpty());
    EXPECT_TRUE(scripts[2]->Text().isEmpty());
    EXPECT_TRUE(model->HasAnyFormPart()) << "the page is still parsed";
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
