#include "core/appcontext.h"
#include "core/memo.h"
#include "document/calverdinedocument.h"
#include "document/pagesnapshot.h"
#include "formdata/dataactioncommand.h"
#include "formdata/formdatafilecommand.h"
#include "formdata/formdatastore.h"
#include "formdata/formvaluelist.h"
#include "formdefine/formdefinemanager.h"
#include "core/projectdocument.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int kFields = 10000;
constexpr int kDataId = 1240012;

// One page of 200 forms with 50 fields each: text inputs, check boxes, selections and text
// areas, every name repeated so that paths carry counters.
QByteArray generatedPage()
{
    int handle = 1;
    QByteArray elements;
    QByteArray forms;
    for (int f = 0; f < kFields / 50; ++f) {
        const QByteArray form = QByteArray::number(handle++);
        forms += (forms.isEmpty() ? "" : ",") + form;
        QByteArray items;
        QByteArray parts;
        for (int i = 0; i < 50; ++i) {
            const QByteArray h = QByteArray::number(handle++);
            items += (items.isEmpty() ? "" : ",") + h;
            const QByteArray name = "field" + QByteArray::number(i % 25);
            const QByteArray value = "value " + QByteArray::number(f * 50 + i);
            switch (i % 4) {
            case 0:
                parts += R"(,{"h":)" + h + R"(,"tag":"INPUT","type":"text","name":")" + name + R"(","value":")" + value
                    + R"(","form":)" + form + "}";
                break;
            case 1:
                parts += R"(,{"h":)" + h + R"(,"tag":"INPUT","type":"checkbox","name":")" + name
                    + R"(","value":"on","checked":true,"form":)" + form + "}";
                break;
            case 2:
                parts += R"(,{"h":)" + h + R"(,"tag":"SELECT","name":")" + name
                    + R"(","options":[{"value":"a","text":"A","selected":false},{"value":"b","text":"B","selected":true}]})";
                break;
            default:
                parts += R"(,{"h":)" + h + R"(,"tag":"TEXTAREA","name":")" + name + R"(","value":")" + value + R"("})";
                break;
            }
        }
        elements += (elements.isEmpty() ? "" : ",") + QByteArray(R"({"h":)") + form
            + R"(,"tag":"FORM","name":"form)" + QByteArray::number(f) + R"(","action":"/post","method":"post","items":[)"
            + items + "]}" + parts;
    }
    return R"({"format":1,"documents":[{"id":0,"url":"http://localhost/app/big.html",)"
           R"("body":{"scrollWidth":800,"scrollHeight":90000},"elements":[)"
        + elements + R"(],"forms":[)" + forms + "]}]}";
}

// A project in a temporary folder, the parsed page and a file strategy bound to it.
struct TBenchSetup {
    TBenchSetup()
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->SetRootDirectory(dir.path());
        App().setCurrentProject(std::move(project));
        QDir().mkpath(dir.filePath(QStringLiteral("FormData")));
        document = std::make_unique<TCalverdineDocument>(QStringLiteral("http://localhost/app/big.html"));
        document->Parse(TPageSnapshot::fromJson(generatedPage()), TScreenIDSettings());
        TCalverdineDocument* model = document.get();
        command = std::make_unique<TFormDataFileCommand>([model](const QString& path) {
            const TTagFormPart* part = model->FormParts().find(path);
            return part ? part->GetType() : QString();
        });
    }

    QTemporaryDir dir;
    std::unique_ptr<TCalverdineDocument> document;
    std::unique_ptr<TFormDataFileCommand> command;
    TFormDataStore store;
};

TBenchSetup& setup()
{
    static TBenchSetup s_setup;
    return s_setup;
}

// Collecting the values of the page and writing the index and the data file.
void BM_SaveDataSet(benchmark::State& state)
{
    TBenchSetup& s = setup();
    for (auto _ : state) {
        const TFormValueList& values = s.store.fillFromTag(kDataId, *s.document->RootFrame(), false);
        if (values.count() != kFields || !s.command->SaveData(QStringLiteral("BIG"), kDataId, QStringLiteral("New Data"), values))
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveDataSet)->Unit(benchmark::kMillisecond);

// Reading and parsing the data file back.
void BM_LoadDataSet(benchmark::State& state)
{
    TBenchSetup& s = setup();
    s.command->SaveData(QStringLiteral("BIG"), kDataId, QStringLiteral("New Data"),
                        s.store.fillFromTag(kDataId, *s.document->RootFrame(), false));
    TFormValueList values;
    for (auto _ : state) {
        s.command->LoadValues(kDataId, values);
        if (values.count() != kFields)
            state.SkipWithError("load failed");
    }
}
BENCHMARK(BM_LoadDataSet)->Unit(benchmark::kMillisecond);

// The comparison of every value with the page, report lines included.
void BM_CompareDataSet(benchmark::State& state)
{
    TBenchSetup& s = setup();
    const TFormValueList& values = s.store.fillFromTag(kDataId, *s.document->RootFrame(), false);
    TFormDefineManager defines;
    for (auto _ : state) {
        TMemo report;
        TDataActionCommand command;
        if (!command.compare(QStringLiteral("BIG"), QStringLiteral("New Data"), values, *s.document, report, &defines))
            state.SkipWithError("values differ");
    }
}
BENCHMARK(BM_CompareDataSet)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
