// Modern and hostile pages in the real engine: frames made by scripts, script addresses the
// browser encodes, links inside SVG, and pages built to break the page walk.
#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/modeljson.h"
#include "document/calverdinedocument.h"
#include "document/tagscript.h"

#include <QJsonArray>

#include <functional>

namespace {

class HostilePagesE2E : public TEngineSuite {
protected:
    static QStringList formPartPaths(const TCalverdineDocument& model)
    {
        QStringList paths;
        for (int i = 0; i < model.FormParts().count(); ++i)
            paths.append(model.FormParts().keyAt(i) + "=" + model.GetValue(model.FormParts().keyAt(i)));
        return paths;
    }

    static const TTagScript* scriptBySrc(const TCalverdineDocument& model, const QString& src)
    {
        for (const auto& script : model.RootFrame()->Scripts())
            if (script->Src() == src)
                return script.get();
        return nullptr;
    }

    TTestHome home;
};

QByteArray framePage(const QByteArray& form)
{
    return "<html><body><form name=\"" + form + "\"><input name=\"q\" value=\"" + form + "\"></form></body></html>";
}

// Each page is read into a model as a plain page shows it: its form fields in document
// order, and what else the row checks.
TEST_F(HostilePagesE2E, ModernAndHostilePagesGiveTheModelWhatThePageShows)
{
    // Frames inserted, moved or dropped by a script: the engine lists child windows in the
    // order they were made, the model its frames in document order.
    for (const char* name : { "one", "two", "three", "four", "inner" })
        s_server->addPage(QString("/frames/%1.html").arg(name), framePage(name));
    s_server->addPage("/frames/nested.html",
                      "<html><body><iframe name=\"deep\" src=\"/frames/inner.html\"></iframe>"
                      "<script>var f = document.createElement('iframe'); f.name = 'early';"
                      "f.src = '/frames/four.html'; document.body.insertBefore(f, document.body.firstChild);</script>"
                      "</body></html>");
    s_server->addPage("/frames/index.html",
                      "<html><body><iframe name=\"first\" src=\"/frames/one.html\"></iframe>"
                      "<iframe name=\"gone\" src=\"/frames/three.html\"></iframe>"
                      "<iframe name=\"moved\" src=\"/frames/nested.html\"></iframe>"
                      "<script>"
                      "var second = document.createElement('iframe'); second.name = 'second';"
                      "second.src = '/frames/two.html';"
                      "document.body.insertBefore(second, document.body.firstChild);"
                      "document.body.removeChild(document.getElementsByName('gone')[0]);"
                      "document.body.insertBefore(document.getElementsByName('moved')[0], document.body.firstChild);"
                      "</script></body></html>");
    // Scripts whose address holds a blank or Japanese letters, which the browser asks for
    // percent-encoded; the server knows its paths decoded.
    s_server->addPage("/js/my script.js", "var blankScript = 1;\n", "text/javascript");
    s_server->addPage(QString::fromUtf8("/js/スクリプト.js"), "function kanaScript(k) {}\n", "text/javascript");
    s_server->addPage("/scriptnames.html",
                      QString::fromUtf8("<html><head><meta charset=\"utf-8\">"
                                        "<script src=\"js/my script.js\"></script>"
                                        "<script src=\"js/スクリプト.js\"></script></head><body></body></html>")
                          .toUtf8());
    // Links inside inline SVG, whose href is an object, not an address.
    s_server->addPage("/svglinks.html",
                      "<html><body><a href=\"/next.html\">next</a>"
                      "<svg width=\"100\" height=\"100\"><a href=\"/svg1.html\"><text y=\"20\">one</text></a>"
                      "<a id=\"svgid\" href=\"/svg2.html\"><text y=\"40\">two</text></a>"
                      "<script>var inSvg = 1;</script></svg>"
                      "<form name=\"f\"><input name=\"q\" value=\"v\"></form></body></html>");
    // A script of another origin (a CDN script) that the page loaded but whose cached copy
    // the browser keeps from the tool.
    s_server->addPage("/cdn/lib.js", "var cdnVersion = 3; window.cdnLoaded = true;\n", "text/javascript");
    s_server->addPage("/own.js", "var ownVersion = 1;\n", "text/javascript");
    s_server->addPage("/crossorigin.html",
                      "<html><head><script src=\"" + s_server->urlText("/cdn/lib.js", true).toUtf8()
                          + "\"></script><script src=\"/own.js\"></script></head><body></body></html>");
    // Pages built to break the page walk. Frames nested 100 deep, each document with a form.
    const int depth = 100;
    QStringList nested;
    for (int i = 0; i <= depth; ++i) {
        QByteArray body = "<form name=\"f\"><input name=\"q\" value=\"" + QByteArray::number(i) + "\"></form>";
        if (i < depth)
            body += "<iframe name=\"n\" src=\"/nested/" + QByteArray::number(i + 1) + ".html\"></iframe>";
        s_server->addPage(QString("/nested/%1.html").arg(i), "<html><body>" + body + "</body></html>");
        nested.append("//" + QString("n/").repeated(i) + "f/q=" + QString::number(i));
    }
    // An inline frame of another origin before one of the page's own.
    s_server->addPage("/remote-frame.html", framePage("remote"));
    s_server->addPage("/after-frame.html", framePage("after"));
    s_server->addPage("/crossframe.html", "<html><body><form name=\"top\"><input name=\"q\" value=\"top\"></form>"
                                          "<iframe name=\"other\" src=\"" + s_server->urlText("/remote-frame.html", true).toUtf8()
                                              + "\"></iframe><iframe name=\"own\" src=\"/after-frame.html\"></iframe></body></html>");
    // Names holding the tag path's own characters, quotes, line breaks, NUL and emoji.
    const QString odd = QStringLiteral("a/b[0]=c\"d'e\rf\ng") + QChar(0) + QString::fromUtf8("h😀");
    s_server->addPage("/oddnames.html",
                      "<html><body><form><input value=\"odd value\"></form><script>"
                      "var name = 'a/b[0]=c\"d\\'e\\rf\\ng\\u0000h\\ud83d\\ude00';"
                      "document.forms[0].setAttribute('name', name); document.forms[0].elements[0].name = name;"
                      "</script></body></html>");
    // A page that replaces what a page walk might lean on.
    s_server->addPage("/overrides.html",
                      "<html><body><form name=\"f\"><input name=\"q\" value=\"real\">"
                      "<textarea name=\"t\">text</textarea></form><script>"
                      "JSON.stringify = function () { return '{}'; }; JSON.parse = function () { return null; };"
                      "Array.prototype.push = function () { throw new Error('no push'); };"
                      "Array.prototype.slice = function () { return []; };"
                      "Document.prototype.querySelectorAll = function () { return []; };"
                      "Element.prototype.querySelectorAll = function () { return []; };"
                      "Object.defineProperty(HTMLInputElement.prototype, 'value', "
                      "{ get: function () { return 'fake'; }, set: function () {} });"
                      "Object.defineProperty(HTMLTextAreaElement.prototype, 'value', "
                      "{ get: function () { return 'fake'; }, set: function () {} });"
                      "window.Map = function () { throw new Error('no map'); };"
                      "</script></body></html>");
    // A selection list of 50,000 options, the last one selected.
    QByteArray options;
    for (int i = 0; i < 50000; ++i)
        options += "<option value=\"o" + QByteArray::number(i) + "\"" + (i == 49999 ? " selected" : "") + ">"
            + QByteArray::number(i) + "</option>";
    s_server->addPage("/bigselect.html",
                      "<html><body><form name=\"f\"><select name=\"big\">" + options + "</select></form></body></html>");

    // Elements named like the tool's own members of the window, and a form whose fields are
    // named like members of the form the page walk and the page writes read.
    s_server->addPage("/shadowed.html",
                      "<html><head><script src=\"/own.js\"></script></head><body>"
                      "<div id=\"__calverdine\"></div><div id=\"__calverdineEvents\"></div>"
                      "<img name=\"__calverdineBridge\"><div id=\"sf\"></div>"
                      "<form name=\"f\" id=\"sf\" action=\"/shadowed-sent.html\"><input name=\"namespaceURI\" value=\"1\">"
                      "<input name=\"ownerDocument\" value=\"2\"><input name=\"isConnected\" value=\"3\">"
                      "<input name=\"compareDocumentPosition\" value=\"4\"><input name=\"q\" value=\"5\"></form>"
                      "</body></html>");
    s_server->addPage("/shadowed-sent.html", "<html><body>sent</body></html>");
    // Halves of surrogate pairs standing alone, and NUL, in values and names.
    const QString high = QString(QChar(0xd800)), low = QString(QChar(0xdc00));
    s_server->addPage("/halves.html",
                      "<html><body><form name=\"f\"><input name=\"a\"><textarea name=\"b\"></textarea>"
                      "<input name=\"c\"></form><script>var e = document.forms[0].elements;"
                      "e[0].value = 'x\\ud800y'; e[1].value = '\\udc00\\u0000\\ud83d\\ude00';"
                      "e[2].name = 'n\\udbff'; e[2].value = '\\ud800\\ud800';</script></body></html>");

    const struct {
        const char* name;
        const char* path;
        QStringList parts;
        std::function<void(TEngineTab&, const TCalverdineDocument&)> check;
        bool inDocumentOrder = false; // else the parts in any order
    } rows[] = {
        { "frames made by scripts keep their own documents", "/frames/index.html",
          { "//moved/early/four/q=four", "//moved/deep/inner/q=inner", "//second/two/q=two", "//first/one/q=one" }, {}, true },
        { "scripts with a blank or non-ASCII letters in their address are read", "/scriptnames.html", {},
          [](TEngineTab&, const TCalverdineDocument& model) {
              ASSERT_GE(s_server->requestCount("/js/my script.js"), 1) << "the page loaded its script";
              const TTagScript* blank = scriptBySrc(model, "js/my script.js");
              const TTagScript* kana = scriptBySrc(model, QString::fromUtf8("js/スクリプト.js"));
              ASSERT_TRUE(blank && kana);
              EXPECT_EQ(blank->Variables(), QStringList({ "blankScript=" }));
              ASSERT_EQ(kana->Functions().size(), 1u);
              EXPECT_EQ(kana->Functions()[0]->Name(), "kanaScript");
          } },
        { "links inside SVG are no anchors", "/svglinks.html", { "//f/q=v" },
          [](TEngineTab&, const TCalverdineDocument& model) {
              ASSERT_EQ(model.Anchors().count(), 1);
              EXPECT_FALSE(model.Anchors().keyAt(0).contains("SVGAnimatedString")) << model.Anchors().keyAt(0).toStdString();
          } },
        { "a script of another origin says it could not be read instead of looking empty", "/crossorigin.html", {},
          [](TEngineTab& tab, const TCalverdineDocument& model) {
              ASSERT_EQ(tab.run("window.cdnLoaded === true").toBool(), true) << "the page ran the other origin's script";
              const TTagScript* cdn = scriptBySrc(model, s_server->urlText("/cdn/lib.js", true));
              const TTagScript* own = scriptBySrc(model, "/own.js");
              ASSERT_TRUE(cdn && own);
              EXPECT_FALSE(cdn->ReadError().isEmpty());
              EXPECT_TRUE(cdn->Variables().isEmpty());
              EXPECT_TRUE(own->ReadError().isEmpty());
              EXPECT_EQ(own->Variables(), QStringList({ "ownVersion=" }));
              // What `inspect` prints.
              const QJsonArray scripts = DocumentModelJson(model, s_server->urlText("/crossorigin.html"))
                                             .value("frames").toArray().at(0).toObject().value("scripts").toArray();
              ASSERT_EQ(scripts.size(), 2);
              EXPECT_FALSE(scripts[0].toObject().value("readable").toBool(true));
              EXPECT_FALSE(scripts[0].toObject().value("readError").toString().isEmpty());
              EXPECT_TRUE(scripts[1].toObject().value("readable").toBool(false));
              EXPECT_FALSE(scripts[1].toObject().contains("readError"));
          } },
        { "frames nested 100 deep", "/nested/0.html", nested, {} },
        { "a frame of another origin", "/crossframe.html", { "//top/q=top", "//own/after/q=after" },
          [](TEngineTab&, const TCalverdineDocument& model) {
              const auto& frames = model.RootFrame()->ChildFrames();
              ASSERT_EQ(frames.size(), 2u);
              EXPECT_EQ(frames[0]->Name(), "other");
              EXPECT_EQ(frames[0]->Document(), nullptr) << "the other origin's frame is not reachable";
          } },
        { "names with path characters, quotes, line breaks, NUL and emoji", "/oddnames.html",
          { "//" + odd + "/" + odd + "=odd value" }, {} },
        { "a page replacing JSON, Array.prototype, querySelectorAll and the value getters", "/overrides.html",
          { "//f/q=real", "//f/t=text" }, {} },
        { "a selection list of 50,000 options", "/bigselect.html", { "//f/big=o49999" }, {} },
        { "elements named like the tool's members and fields named like the form's", "/shadowed.html",
          { "//f/namespaceURI=1", "//f/ownerDocument=2", "//f/isConnected=3", "//f/compareDocumentPosition=4", "//f/q=5" },
          [](TEngineTab& tab, const TCalverdineDocument&) {
              tab.browser()->setFocus();
              tab.run("document.forms[0].q.focus(); 1");
              ASSERT_TRUE(WaitUntil([&] { return tab.tab().ActiveElement() >= 0; }, 5000)) << "the page reports the focused field";
              const int parsed = tab.parseCount();
              ASSERT_EQ(tab.tab().GetDocumentModel()->RootFrame()->Forms().size(), 1u);
              tab.tab().GetDocumentModel()->RootFrame()->Forms()[0]->Submit();
              tab.tab().GetDocumentModel()->flushWrites();
              ASSERT_TRUE(tab.waitForParse(parsed)) << "the form is sent";
              EXPECT_TRUE(tab.tab().GetUrl().contains("/shadowed-sent.html?namespaceURI=1&ownerDocument=2"))
                  << tab.tab().GetUrl().toStdString();
          } },
        { "surrogate halves standing alone and NUL in values and names", "/halves.html",
          { "//f/a=x" + high + "y", "//f/b=" + low + QChar(0) + QString::fromUtf8("😀"), "//f/n" + QString(QChar(0xdbff)) + "=" + high + high },
          {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TEngineTab tab(*s_profile);
        // The largest pages take seconds on a busy machine: the wait is only an upper bound.
        TCalverdineDocument* model = tab.open(s_server->urlText(row.path), 90000);
        ASSERT_NE(model, nullptr) << tab.failures().join("\n").toStdString();
        QStringList parts = formPartPaths(*model);
        QStringList expected = row.parts;
        if (!row.inDocumentOrder) {
            parts.sort();
            expected.sort();
        }
        EXPECT_EQ(parts, expected);
        if (row.check)
            row.check(tab, *model);
    }
}

}
