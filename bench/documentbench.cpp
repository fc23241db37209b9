#include "document/calverdinedocument.h"
#include "document/pagesnapshot.h"
#include "document/tagscript.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QJsonDocument>

namespace {

// A frameset page of three frames: a menu with anchors, a main frame whose forms hold
// `fields` fields of every kind, and a frame with an inline frame. The fields are written as
// rows, as the page script writes them, or as objects.
QByteArray generatedPage(int fields, bool rows = true)
{
    int handle = 1;
    const auto h = [&handle] { return QByteArray::number(handle++); };
    QByteArray json = R"({"format":1,"documents":[)";
    // Top: the frameset.
    const QByteArray set = h();
    const QByteArray f1 = h(), f2 = h(), f3 = h();
    json += R"({"id":0,"url":"http://localhost/app/index.html","frames":[{"doc":1},{"doc":2},{"doc":3}],"body":null,)"
            R"("elements":[{"h":)" + set + R"(,"tag":"FRAMESET","cols":"200,*,150","children":[)" + f1 + "," + f2 + ","
        + f3 + "]},";
    json += R"({"h":)" + f1 + R"(,"tag":"FRAME","name":"menu","src":"menu.html"},)";
    json += R"({"h":)" + f2 + R"(,"tag":"FRAME","name":"main","src":"main.html"},)";
    json += R"({"h":)" + f3 + R"(,"tag":"FRAME","name":"side","src":"side.html"}]},)";
    // Menu: anchors.
    json += R"({"id":1,"url":"http://localhost/app/menu.html","body":{"scrollWidth":180,"scrollHeight":600},"elements":[)";
    for (int i = 0; i < 100; ++i)
        json += (i ? "," : "") + QByteArray(R"({"h":)") + h() + R"(,"tag":"A","href":"http://localhost/app/p)"
            + QByteArray::number(i % 20) + R"(.html","text":"Page"})";
    json += "]},";
    // Main: forms of 50 fields each.
    json += R"({"id":2,"url":"http://localhost/app/main.html","body":{"scrollWidth":800,"scrollHeight":9000},"elements":[)";
    QByteArray forms;
    bool first = true;
    for (int start = 0; start < fields; start += 50) {
        const QByteArray form = h();
        forms += (forms.isEmpty() ? "" : ",") + form;
        QByteArray items;
        QByteArray elements;
        for (int i = start; i < std::min(fields, start + 50); ++i) {
            const QByteArray e = h();
            items += (items.isEmpty() ? "" : ",") + e;
            const QByteArray name = "field" + QByteArray::number(i % 200);
            const QByteArray n = QByteArray::number(i);
            if (rows) {
                switch (i % 6) {
                case 0:
                case 1:
                    elements += ",[\"INPUT\"," + e + ",\"\",\"text\",\"" + name + "\",\"value " + n + "\",0," + form + "]";
                    break;
                case 2:
                    elements += ",[\"INPUT\"," + e + ",\"\",\"checkbox\",\"" + name + "\",\"on\",1," + form + "]";
                    break;
                case 3:
                    elements += ",[\"INPUT\"," + e + ",\"\",\"radio\",\"choice\",\"v" + n + "\",0," + form + "]";
                    break;
                case 4:
                    elements += ",[\"SELECT\"," + e + ",\"\",\"" + name + "\",0,[\"a\",\"A\",1,\"b\",\"B\",0]]";
                    break;
                default:
                    elements += ",[\"TEXTAREA\"," + e + ",\"\",\"" + name + "\",\"text\",0]";
                    break;
                }
                continue;
            }
            switch (i % 6) {
            case 0:
            case 1:
                elements += R"(,{"h":)" + e + R"(,"tag":"INPUT","type":"text","name":")" + name
                    + R"(","value":"value )" + QByteArray::number(i) + R"(","form":)" + form + "}";
                break;
            case 2:
                elements += R"(,{"h":)" + e + R"(,"tag":"INPUT","type":"checkbox","name":")" + name
                    + R"(","value":"on","checked":true,"form":)" + form + "}";
                break;
            case 3:
                elements += R"(,{"h":)" + e + R"(,"tag":"INPUT","type":"radio","name":"choice","value":"v)"
                    + QByteArray::number(i) + R"(","form":)" + form + "}";
                break;
            case 4:
                elements += R"(,{"h":)" + e + R"(,"tag":"SELECT","name":")" + name
                    + R"(","options":[{"value":"a","text":"A","selected":true},{"value":"b","text":"B"}]})";
                break;
            default:
                elements += R"(,{"h":)" + e + R"(,"tag":"TEXTAREA","name":")" + name + R"(","value":"text"})";
                break;
            }
        }
        json += (first ? "" : ",") + QByteArray(R"({"h":)") + form + R"(,"tag":"FORM","name":"form","items":[)"
            + items + "]}" + elements;
        json += R"(,{"h":)" + h() + R"(,"tag":"INPUT","type":"submit","name":"send","value":"Send","form":)" + form
            + "}";
        first = false;
    }
    json += R"(],"forms":[)" + forms + "]},";
    // Side: a frame with an inline frame.
    const QByteArray iframe = h();
    json += R"({"id":3,"url":"http://localhost/app/side.html","frames":[{"doc":4}],"body":{"scrollWidth":150,"scrollHeight":400},)"
            R"("elements":[{"h":)" + iframe + R"(,"tag":"IFRAME","name":"inner"}]},)";
    json += R"({"id":4,"url":"http://localhost/app/inner.html","body":{"scrollWidth":100,"scrollHeight":100}}]})";
    return json;
}

void BM_ModelFromSnapshot(benchmark::State& state)
{
    const QByteArray json = generatedPage(int(state.range(0)));
    TScreenIDSettings settings;
    for (auto _ : state) {
        TCalverdineDocument model("http://localhost/app/index.html");
        model.Parse(TPageSnapshot::fromJson(json), settings);
        benchmark::DoNotOptimize(model.FormParts().count());
    }
    state.SetComplexityN(state.range(0));
    state.counters["json_kB"] = double(json.size()) / 1024.0;
}

// The share of the snapshot alone, to tell loading from parsing; fields as rows (0) or as
// objects (1).
void BM_SnapshotOnly(benchmark::State& state)
{
    const QByteArray json = generatedPage(int(state.range(0)), state.range(1) == 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(TPageSnapshot::fromJson(json)->elementCount());
    state.counters["json_kB"] = double(json.size()) / 1024.0;
}

// The crafted script that used to freeze the window: a long word holding a dot, then a long
// run of operators (400 K each, 800 KB).
void BM_ScanCraftedScript(benchmark::State& state)
{
    const qsizetype n = state.range(0);
    const QString text = QString(n, QLatin1Char('A')) + QStringLiteral(". ") + QString(n, QLatin1Char('+'));
    for (auto _ : state)
        benchmark::DoNotOptimize(TTagScript::FromText(text)->Variables().size());
    state.SetComplexityN(n);
}

// An ordinary library-like script of about 5 MB: declarations, functions, strings, comments.
void BM_ScanOrdinaryScript(benchmark::State& state)
{
    QString text;
    for (int i = 0; text.size() < 5 * 1024 * 1024; ++i) {
        const QString n = QString::number(i);
        text += QStringLiteral("/* block ") + n + QStringLiteral(" */\nvar total") + n + QStringLiteral(" = 0, name")
            + n + QStringLiteral(" = \"it's \\u0041 string\";\nfunction handler") + n
            + QStringLiteral("(event, index) {\n    // a comment line\n    if (index > 0 && list[index] != null) {\n"
                             "        total = total + event.value * 2 / 3;\n    }\n    return { a: 1, b: [1, 2, 3] };\n}\n")
            + QStringLiteral("counter") + n + QStringLiteral(" = handler") + n + QStringLiteral("(window.x, 1);\n");
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(TTagScript::FromText(text)->Functions().size());
    state.counters["kB"] = double(text.size()) / 1024.0;
}

}

BENCHMARK(BM_ScanCraftedScript)->Arg(100000)->Arg(200000)->Arg(400000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_ScanOrdinaryScript)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnapshotOnly)->Args({ 5000, 0 })->Args({ 5000, 1 })->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModelFromSnapshot)->Arg(1250)->Arg(2500)->Arg(5000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
