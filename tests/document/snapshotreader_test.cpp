// The snapshot reader on texts written by hand: every kind of field lands where the model
// reads it, JSON escapes and non-ASCII text arrive intact, and broken texts are refused
// with a message.
#include "core/error.h"
#include "document/pagesnapshot.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QByteArray kEveryKind = R"({"format":1,"documents":[
 {"id":0,"url":"http://h/top.html","title":"Top","readyState":"complete",
  "frames":[{"doc":1},{"doc":null,"error":"cross origin"}],
  "body":{"h":1,"scrollWidth":800.4,"scrollHeight":600.6,"leftMargin":8,"rightMargin":7,"topMargin":6,"bottomMargin":5},
  "elements":[
   {"h":2,"tag":"FORM","id":"f","name":"login","action":"save.cgi","method":"post","items":[3,4,5,6,7]},
   {"h":3,"tag":"INPUT","type":"text","name":"user","value":"me","readOnly":true,"disabled":true,"form":2},
   {"h":4,"tag":"INPUT","type":"checkbox","name":"keep","value":"on","checked":true,"form":2},
   {"h":5,"tag":"SELECT","name":"size","multiple":true,"disabled":true,
    "options":[{"value":"s","text":"Small"},{"value":"m","text":"Mid","selected":true}]},
   {"h":6,"tag":"TEXTAREA","name":"note","value":"line1\nline2","readOnly":true},
   {"h":7,"tag":"BUTTON","name":"go","type":"submit","disabled":true},
   {"h":8,"tag":"A","href":"http://h/next.html","text":"Next","imgAlt":"arrow","imgSrc":"http://h/a.png"},
   {"h":9,"tag":"META","httpEquiv":"refresh","content":"5"},
   {"h":10,"tag":"SCRIPT","src":"js/a.js","text":"var x;","type":"text/javascript","language":"JavaScript"},
   {"h":11,"tag":"IFRAME","name":"inner","src":"inner.html","frame":0},
   {"h":12,"tag":"DIV","id":"screen","innerText":"Screen 1"}],
  "forms":[2],"scripts":[10],"ids":{"f":2,"screen":12},
  "scriptTexts":{"http://h/js/a.js":"function a(){}"},
  "unreadableScripts":{"http://cdn/x.js":"other origin"}},
 {"id":1,"url":"http://h/inner.html","elements":[
   {"h":20,"tag":"FRAMESET","rows":"50%,*","cols":"*","outerHTML":"<frameset rows=\"50%,*\">","children":[21]},
   {"h":21,"tag":"FRAME","name":"menu","src":"menu.html"}]}]})";

TEST(SnapshotReader, EveryKindOfFieldReachesTheModel)
{
    const auto snapshot = TPageSnapshot::fromJson(kEveryKind);
    THtmlDocument* top = snapshot->topDocument();
    const auto e = [&](int handle) { return snapshot->element(handle); };
    const auto optionText = [&](int i) -> QString {
        const THtmlOption o = e(5)->options().value(i);
        return o.value + '/' + o.text + (o.selected ? "+" : "-");
    };
    const struct {
        const char* name;
        std::function<QString()> actual;
        QString wanted;
    } rows[] = {
        { "document url", [&]() -> QString { return top->url(); }, "http://h/top.html" },
        { "document title", [&]() -> QString { return top->title(); }, "Top" },
        { "frames", [&]() -> QString { return QString::number(top->frameCount()); }, "2" },
        { "frame document", [&]() -> QString { return top->frameDocument(0)->url(); }, "http://h/inner.html" },
        { "body sizes rounded", [&]() -> QString { return QStringLiteral("%1x%2").arg(top->body()->scrollWidth()).arg(top->body()->scrollHeight()); }, "800x601" },
        { "body margins", [&]() -> QString { const auto* b = top->body(); return QStringLiteral("%1 %2 %3 %4").arg(b->leftMargin()).arg(b->rightMargin()).arg(b->topMargin()).arg(b->bottomMargin()); }, "8 7 6 5" },
        { "form", [&]() -> QString { return e(2)->name() + ' ' + e(2)->action() + ' ' + e(2)->method() + ' ' + e(2)->id(); }, "login save.cgi post f" },
        { "form items", [&]() -> QString { return QString::number(e(2)->items().size()); }, "5" },
        { "text input", [&]() -> QString { return e(3)->type() + ' ' + e(3)->name() + ' ' + e(3)->value(); }, "text user me" },
        { "input flags", [&]() -> QString { return QStringLiteral("%1%2%3").arg(e(3)->readOnly()).arg(e(3)->disabled()).arg(e(3)->checked()); }, "110" },
        { "input form", [&]() -> QString { return QString::number(e(3)->form()->handle()); }, "2" },
        { "check box", [&]() -> QString { return e(4)->value() + (e(4)->checked() ? " checked" : ""); }, "on checked" },
        { "select", [&]() -> QString { return e(5)->name() + (e(5)->multiple() ? " multiple" : "") + (e(5)->disabled() ? " disabled" : ""); }, "size multiple disabled" },
        { "first option", [&]() -> QString { return optionText(0); }, "s/Small-" },
        { "second option", [&]() -> QString { return optionText(1); }, "m/Mid+" },
        { "text area", [&]() -> QString { return e(6)->value() + (e(6)->readOnly() ? " read-only" : ""); }, "line1\nline2 read-only" },
        { "button", [&]() -> QString { return e(7)->name() + ' ' + e(7)->type(); }, "go submit" },
        { "anchor", [&]() -> QString { return e(8)->href() + ' ' + e(8)->innerText(); }, "http://h/next.html Next" },
        { "anchor image", [&]() -> QString { return e(8)->imageAlt() + ' ' + e(8)->imageSrc(); }, "arrow http://h/a.png" },
        { "meta", [&]() -> QString { return e(9)->httpEquiv() + ' ' + e(9)->content(); }, "refresh 5" },
        { "script", [&]() -> QString { return e(10)->src() + ' ' + e(10)->text() + ' ' + e(10)->language(); }, "js/a.js var x; JavaScript" },
        { "cached script", [&]() -> QString { return top->cachedScriptText("http://h/js/a.js"); }, "function a(){}" },
        { "unreadable script", [&]() -> QString { return top->scriptReadError("http://cdn/x.js"); }, "other origin" },
        { "inline frame", [&]() -> QString { return e(11)->name() + ' ' + e(11)->src() + ' ' + QString::number(e(11)->frameIndex()); }, "inner inner.html 0" },
        { "element by id", [&]() -> QString { return top->elementById("screen")->innerText(); }, "Screen 1" },
        { "forms and scripts", [&]() -> QString { return QStringLiteral("%1 %2").arg(top->forms().size()).arg(top->scripts().size()); }, "1 1" },
        { "frameset", [&]() -> QString { return e(20)->rows() + ' ' + e(20)->cols() + ' ' + e(20)->outerHTML(); }, "50%,* * <frameset rows=\"50%,*\">" },
        { "frameset child", [&]() -> QString { return e(20)->children().value(0)->name(); }, "menu" },
        { "by tag", [&]() -> QString { return QString::number(snapshot->document(1)->elementsByTagName("frame").size()); }, "1" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.actual(), row.wanted) << row.name;
    try {
        top->frameDocument(1);
        ADD_FAILURE() << "an unreachable frame gives its message";
    } catch (const TError& error) {
        EXPECT_EQ(error.message(), "cross origin");
    }
    EXPECT_THROW(top->frameDocument(2), TError) << "a frame the document does not have";
}

// What the model reads of a field, to compare the two ways a field may be written.
QString fieldText(const THtmlElement* e)
{
    QString text = e->tagName() + '|' + e->id() + '|' + e->type() + '|' + e->name() + '|' + e->value() + '|'
                   + QString::number(e->checked()) + QString::number(e->readOnly()) + QString::number(e->disabled())
                   + QString::number(e->multiple()) + '|' + (e->form() ? QString::number(e->form()->handle()) : "-")
                   + '|' + e->innerText();
    for (const THtmlOption& o : e->options())
        text += '|' + o.value + '/' + o.text + (o.selected ? "+" : "-");
    return text;
}

TEST(SnapshotReader, FieldRowsReadLikeTheirObjects)
{
    QByteArray rows = kEveryKind;
    rows.replace(R"({"h":3,"tag":"INPUT","type":"text","name":"user","value":"me","readOnly":true,"disabled":true,"form":2})",
                 R"(["INPUT",3,"","text","user","me",6,2])");
    rows.replace(R"({"h":4,"tag":"INPUT","type":"checkbox","name":"keep","value":"on","checked":true,"form":2})",
                 R"(["INPUT",4,"k","checkbox","keep","on",1,2,"Keep me"])");
    rows.replace(R"({"h":5,"tag":"SELECT","name":"size","multiple":true,"disabled":true,
    "options":[{"value":"s","text":"Small"},{"value":"m","text":"Mid","selected":true}]})",
                 R"(["SELECT",5,"","size",12,["s","Small",0,"m","Mid",1]])");
    rows.replace(R"({"h":6,"tag":"TEXTAREA","name":"note","value":"line1
line2","readOnly":true})",
                 R"(["TEXTAREA",6,"","note","line1
line2",2])");
    ASSERT_EQ(rows.count("[\""), kEveryKind.count("[\"") + 4) << "every field is written as a row";
    const auto objects = TPageSnapshot::fromJson(kEveryKind);
    const auto read = TPageSnapshot::fromJson(rows);
    for (int h : { 3, 5, 6 })
        EXPECT_EQ(fieldText(read->element(h)), fieldText(objects->element(h))) << h;
    EXPECT_EQ(fieldText(read->element(4)), "INPUT|k|checkbox|keep|on|1000|2|Keep me");
    EXPECT_EQ(read->element(2)->items().size(), 5) << "a form's items may be rows";
    EXPECT_EQ(read->topDocument()->elementsByTagName("input").size(), 2);

    // Short rows read their missing members as empty; a form that names no FORM as none.
    const auto shortRows = TPageSnapshot::fromJson(R"({"format":1,"documents":[{"id":0,"elements":[
        ["INPUT",1],["SELECT",2,"s","n",0,["only"]],["INPUT",3,"","text","a","b",0,99]]}]})");
    EXPECT_EQ(fieldText(shortRows->element(1)), "INPUT|||||0000|-|");
    EXPECT_EQ(fieldText(shortRows->element(2)), "SELECT|s||n||0000|-|") << "an option needs all three members";
    EXPECT_EQ(shortRows->element(3)->form(), nullptr);
}

// A text with room left after it in its own memory (as the page's converted answer has) is
// read where it lies: the reader must stop at its end, whatever follows in that memory.
TEST(SnapshotReader, ReadsNoFurtherThanTheEndOfItsText)
{
    const auto withJunkAfter = [](QByteArray text, const QByteArray& junk) {
        const qsizetype size = text.size();
        text.append(junk + QByteArray(256, ' '));
        text.truncate(size);
        return text;
    };
    const QByteArray whole = R"({"format":1,"documents":[{"id":0,"elements":[["INPUT",1,"","text","a","b",0,-1]]}]})";
    const QByteArray text = withJunkAfter(whole, "\"x");
    ASSERT_GE(text.capacity() - text.size(), 64);
    EXPECT_EQ(TPageSnapshot::fromJson(text)->element(1)->value(), "b");

    const QByteArray cut = whole.left(whole.indexOf("]]"));
    EXPECT_THROW(TPageSnapshot::fromJson(withJunkAfter(cut, "]]}]}")), TError) << "what follows the end completes nothing";
}

QString valueRead(const QByteArray& literal)
{
    const auto snapshot = TPageSnapshot::fromJson(
        R"({"format":1,"documents":[{"id":0,"elements":[{"h":1,"tag":"INPUT","value":)" + literal + "}]}]}");
    return snapshot->element(1)->value();
}

TEST(SnapshotReader, TextsArriveAsWritten)
{
    const struct {
        const char* name;
        QByteArray literal;
        QString wanted;
    } rows[] = {
        { "plain", R"("abc")", "abc" },
        { "empty", R"("")", "" },
        { "quote and backslash", R"("a\"b\\c")", "a\"b\\c" },
        { "slash", R"("a\/b")", "a/b" },
        { "controls", R"("\n\r\t\b\f")", "\n\r\t\b\f" },
        { "NUL in the middle", R"("a\u0000b")", QString("a") + QChar(0) + "b" },
        { "escaped non-ASCII", R"("\u00e9\u65e5")", QString::fromUtf8("é日") },
        { "raw Japanese", "\"日本語のテキスト\"", QString::fromUtf8("日本語のテキスト") },
        { "escaped surrogate pair", R"("\ud83d\ude00")", QString::fromUtf8("😀") },
        { "raw emoji", "\"x😀y\"", QString::fromUtf8("x😀y") },
        { "wrong type reads as empty", "5", "" },
        { "null reads as empty", "null", "" },
        { "a name written twice keeps the last", R"("first","value":"second")", "second" },
    };
    for (const auto& row : rows) {
        try {
            EXPECT_EQ(valueRead(row.literal), row.wanted) << row.name;
        } catch (const TError& error) {
            ADD_FAILURE() << row.name << ": " << error.what();
        }
    }
    EXPECT_EQ(valueRead(R"("a\u0000b")").size(), 3) << "NUL does not end the text";
}

// A page may hold half of a surrogate pair alone in a text; the page writes it as an escape,
// which is no Unicode text.
TEST(SnapshotReader, SurrogateHalvesStandingAloneArriveAsWritten)
{
    const auto unit = [](char16_t u) { return QString(QChar(u)); };
    const struct {
        const char* name;
        QByteArray literal;
        QString wanted;
    } rows[] = {
        { "high half alone", R"("a\ud800b")", "a" + unit(0xd800) + "b" },
        { "low half alone", R"("a\udc00b")", "a" + unit(0xdc00) + "b" },
        { "high half at the end", R"("a\udbff")", "a" + unit(0xdbff) },
        { "two high halves", R"("\ud800\ud801")", unit(0xd800) + unit(0xd801) },
        { "halves in the wrong order", R"("\ude00\ud83d")", unit(0xde00) + unit(0xd83d) },
        { "a half alone before a pair", R"("\ud800\ud83d\ude00x")", unit(0xd800) + QString::fromUtf8("😀x") },
        { "upper-case digits", R"("\uDFFF")", unit(0xdfff) },
        { "beside an escaped private-use character", R"("\ue000\ud800\uE001")", unit(0xe000) + unit(0xd800) + unit(0xe001) },
        { "beside a raw private-use character", "\"\xee\x80\x80\\ud800\"", unit(0xe000) + unit(0xd800) },
        { "an escaped backslash before u is no escape", R"("\\ud800")", "\\ud800" },
        { "three backslashes", R"("\\\ud800")", "\\" + unit(0xd800) },
    };
    for (const auto& row : rows) {
        try {
            EXPECT_EQ(valueRead(row.literal), row.wanted) << row.name;
        } catch (const TError& error) {
            ADD_FAILURE() << row.name << ": " << error.what();
        }
    }

    // A page holding all but the last private-use character: the last is the marker, and
    // every character stays; holding every one of them leaves no marker, which is said.
    QString crowded;
    for (char16_t u = 0xe000; u < 0xf8ff; ++u)
        crowded += QChar(u);
    EXPECT_EQ(valueRead("\"" + crowded.toUtf8() + "\\ud800\""), crowded + unit(0xd800));
    EXPECT_THROW(valueRead("\"" + (crowded + unit(0xf8ff)).toUtf8() + "\\ud800\""), TError);

    // Names, ids and the values of a refresh keep their halves too.
    const auto snapshot = TPageSnapshot::fromJson(
        R"({"format":1,"documents":[{"id":0,"elements":[["INPUT",1,"i\udc01","text","n\ud801","v",0,-1]],"ids":{"i\udc01":1}}]})");
    const QString id = "i" + unit(0xdc01);
    EXPECT_EQ(snapshot->element(1)->name(), "n" + unit(0xd801));
    EXPECT_EQ(snapshot->element(1)->id(), id);
    ASSERT_NE(snapshot->topDocument()->elementById(id), nullptr);
    snapshot->applyRefresh(R"({"format":1,"values":[[1,"r\udfff"]]})");
    EXPECT_EQ(snapshot->element(1)->value(), "r" + unit(0xdfff));
    snapshot->applyRefresh(R"({"format":1,"values":[[1,"plain"]]})");
    EXPECT_EQ(snapshot->element(1)->value(), "plain") << "a later text is read without the last one's marker";
}

TEST(SnapshotReader, NumbersAndFlagsOfTheWrongTypeReadAsMissing)
{
    const auto snapshot = TPageSnapshot::fromJson(R"({"format":1.0,"documents":[{"id":0.0,
        "body":{"h":1,"scrollWidth":"800","scrollHeight":1e300,"leftMargin":-3.5},
        "elements":[{"h":2.0,"tag":"INPUT","checked":"yes","readOnly":1,"form":"f"},{"h":3,"tag":"FORM"}]}]})");
    const THtmlElement* input = snapshot->element(2);
    ASSERT_TRUE(input) << "a whole number written as 2.0 is a handle";
    EXPECT_FALSE(input->checked());
    EXPECT_FALSE(input->readOnly());
    EXPECT_EQ(input->form(), nullptr);
    const THtmlElement* body = snapshot->topDocument()->body();
    EXPECT_EQ(body->scrollWidth(), 0);
    EXPECT_EQ(body->scrollHeight(), 0);
    EXPECT_EQ(body->leftMargin(), -4);
}

TEST(SnapshotReader, BrokenTextsAreRefusedWithTheReason)
{
    const struct {
        const char* name;
        QByteArray text;
        const char* reason; // in the message
    } rows[] = {
        { "unterminated text", R"({"format":1,"documents":[{"id":0,"url":"http://h/})", "not valid JSON" },
        { "trailing garbage", R"({"format":1,"documents":[{"id":0}]} x)", "not valid JSON" },
        { "bad escape", R"({"format":1,"documents":[{"id":0,"url":"\q"}]})", "not valid JSON" },
        { "raw control character in a text", "{\"format\":1,\"documents\":[{\"id\":0,\"url\":\"a\x01\"}]}", "not valid JSON" },
        { "invalid UTF-8", "{\"format\":1,\"documents\":[{\"id\":0,\"url\":\"\xff\xfe\"}]}", "not valid JSON" },
        { "NUL byte outside a text", QByteArray("{\"format\":1,\0\"documents\":[]}", 28), "not valid JSON" },
        { "single quotes", "{'format':1}", "not valid JSON" },
        { "a number only", "1", "not a JSON object" },
        { "handle too big", R"({"format":1,"documents":[{"id":0,"elements":[{"h":4294967296,"tag":"A"}]}]})", "whole number" },
        { "element not an object", R"({"format":1,"documents":[{"id":0,"elements":[7]}]})", "not an object" },
        { "row of no known kind", R"({"format":1,"documents":[{"id":0,"elements":[["A",1,"","x"]]}]})", "no known kind" },
        { "row without a handle", R"({"format":1,"documents":[{"id":0,"elements":[["INPUT","1"]]}]})", "whole number" },
        { "row and object with one handle", R"({"format":1,"documents":[{"id":0,"elements":[{"h":1,"tag":"A"},["INPUT",1]]}]})", "used twice" },
        { "document not an object", R"({"format":1,"documents":[1]})", "not an object" },
        { "empty tag", R"({"format":1,"documents":[{"id":0,"elements":[{"h":1,"tag":""}]}]})", "has no tag" },
        { "frames not an array", R"({"format":1,"documents":[{"id":0,"frames":{}}]})", "not an array" },
        { "empty", "", "not valid JSON" },
        { "array", "[1,2]", "not a JSON object" },
        { "other format", R"({"format":2,"documents":[{"id":0}]})", "unknown format" },
        { "no documents", R"({"format":1,"documents":[]})", "no documents" },
        { "id not its position", R"({"format":1,"documents":[{"id":3}]})", "\"id\" must be its position" },
        { "handle twice", R"({"format":1,"documents":[{"id":0,"elements":[{"h":1,"tag":"A"},{"h":1,"tag":"B"}]}]})", "handle 1 is used twice" },
        { "handle not a number", R"({"format":1,"documents":[{"id":0,"elements":[{"h":"1","tag":"A"}]}]})", "\"h\" is not a whole number" },
        { "fractional handle", R"({"format":1,"documents":[{"id":0,"elements":[{"h":1.5,"tag":"A"}]}]})", "\"h\" is not a whole number" },
        { "element without tag", R"({"format":1,"documents":[{"id":0,"elements":[{"h":1}]}]})", "element 1 has no tag" },
        { "form handle unknown", R"({"format":1,"documents":[{"id":0,"forms":[7]}]})", "no element with handle 7" },
        { "form is no FORM", R"({"format":1,"documents":[{"id":0,"elements":[{"h":1,"tag":"A"}],"forms":[1]}]})", "form 1 is not a FORM" },
        { "frame points back", R"({"format":1,"documents":[{"id":0,"frames":[{"doc":0}]}]})", "refers to no later document" },
        { "frame beyond the list", R"({"format":1,"documents":[{"id":0,"frames":[{"doc":1}]}]})", "refers to no later document" },
        { "document of two frames", R"({"format":1,"documents":[{"id":0,"frames":[{"doc":1},{"doc":1}]},{"id":1}]})", "document 1 is the document of two frames" },
        { "frameset child before it", R"({"format":1,"documents":[{"id":0,"elements":[{"h":2,"tag":"FRAMESET","children":[1]},{"h":1,"tag":"FRAME"}]}]})", "no later FRAME or FRAMESET" },
        { "frame listed twice", R"({"format":1,"documents":[{"id":0,"elements":[{"h":1,"tag":"FRAMESET","children":[2,2]},{"h":2,"tag":"FRAME"}]}]})", "element 2 is the child of two framesets" },
        { "child of two framesets", R"({"format":1,"documents":[{"id":0,"elements":[{"h":1,"tag":"FRAMESET","children":[2,3]},{"h":2,"tag":"FRAMESET","children":[3]},{"h":3,"tag":"FRAME"}]}]})", "element 3 is the child of two framesets" },
        { "frameset its own child", R"({"format":1,"documents":[{"id":0,"elements":[{"h":2,"tag":"FRAMESET","children":[2]}]}]})", "no later FRAME or FRAMESET" },
        { "elements not an array", R"({"format":1,"documents":[{"id":0,"elements":{}}]})", "\"elements\" is not an array" },
        { "id of no element", R"({"format":1,"documents":[{"id":0,"ids":{"x":9}}]})", "no element with handle 9" },
    };
    for (const auto& row : rows) {
        try {
            TPageSnapshot::fromJson(row.text);
            ADD_FAILURE() << "accepted: " << row.name;
        } catch (const TError& error) {
            EXPECT_TRUE(error.message().startsWith("page snapshot error: ")) << row.name << ": " << error.what();
            EXPECT_TRUE(error.message().contains(row.reason)) << row.name << ": " << error.what();
            if (QByteArray(row.reason) == "not valid JSON") {
                EXPECT_GT(error.message().size(), int(qstrlen("page snapshot error: not valid JSON ()"))) << row.name;
            }
        }
    }
}

TEST(SnapshotReader, ProgressClimbsToTheEndOnBigTexts)
{
    QByteArray json = R"({"format":1,"documents":[{"id":0,"elements":[)";
    const int count = 20000;
    for (int i = 1; i <= count; ++i)
        json += "{\"h\":" + QByteArray::number(i) + ",\"tag\":\"INPUT\",\"name\":\"f" + QByteArray::number(i) + "\"}"
                + (i < count ? "," : "");
    json += "]}]}";
    QList<int> seen;
    const auto snapshot = TPageSnapshot::fromJson(json, nullptr, [&](int percent) { seen.append(percent); });
    EXPECT_EQ(snapshot->elementCount(), count);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GE(seen.last(), 80);
    EXPECT_LE(seen.last(), 99) << "100 is the model's, once it is handed over";
}

} // namespace
