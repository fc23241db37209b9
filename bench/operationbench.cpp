// An automatic operation of 200 commands on the real engine, run with interval 0: data
// inputs and comparisons of 20 fields on one screen, and clicks that submit the form to the
// other page of the same screen. What is measured is the runner's own time per step beyond
// the page loads: from a command's start line to its end line, and from one command's end
// to the next command's start when no click came between them. Run headless:
// QT_QPA_PLATFORM=offscreen is set when absent.
#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"
#include "browser/tabaction.h"
#include "core/appcontext.h"
#include "core/eventbus.h"
#include "core/memo.h"
#include "core/consolememos.h"
#include "core/projectdocument.h"
#include "core/textcodec.h"
#include "formdata/dataaction.h"
#include "operation/commandautooperation.h"
#include "operation/operationcommands.h"
#include "operation/operationlist.h"
#include "operation/testoperationaction.h"
#include "enginebenchsupport.h"
#include "support/httpserver.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kFields = 20;
constexpr int kDataId = 701;

QByteArray Page(const char* next)
{
    QByteArray html = "<html><body><div id=sid>BENCH</div><form name=f action=" + QByteArray(next) + " method=get>";
    for (int i = 0; i < kFields; ++i)
        html += "<input type=text name=t" + QByteArray::number(i) + " value=''>";
    return html + "<input type=submit name=go value=Go></form></body></html>";
}

void Write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

class TTabs final : public TTabWindowFactory {
public:
    explicit TTabs(TEngineProfile& profile) : m_profile(profile) {}
    ~TTabs() override { delete m_browser.data(); }
    TTabWindow* CreateTabWindow(TTabWindow*) override
    {
        m_browser = new TEngineBrowser(m_profile.profile());
        m_browser->resize(1280, 900);
        m_browser->show();
        return new TTabWindow(m_browser, nullptr, m_browser);
    }

private:
    TEngineProfile& m_profile;
    QPointer<TEngineBrowser> m_browser;
};

// Times of the lines of one run, by what happened between them.
struct TStepClock {
    QElapsedTimer clock;
    qint64 last = 0; // the last line
    bool afterClick = false;
    std::vector<double> inputs, compares, clicks, gaps, loads;

    void line(const QString& text)
    {
        const qint64 now = clock.nsecsElapsed();
        const double ms = double(now - last) / 1e6;
        last = now;
        if (!text.contains(QStringLiteral("操作定義")))
            return;
        const bool input = text.contains(QStringLiteral("データ入力"));
        const bool compare = text.contains(QStringLiteral("フォーム値比較"));
        if (text.endsWith(QStringLiteral(" 終了"))) {
            (input ? inputs : compare ? compares : clicks).push_back(ms);
            afterClick = !input && !compare;
        } else if (text.endsWith(QStringLiteral(" 開始"))) {
            (afterClick ? loads : gaps).push_back(ms);
        }
    }
};

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Mean(const std::vector<double>& v)
{
    double sum = 0;
    for (double x : v)
        sum += x;
    return v.empty() ? 0 : sum / double(v.size());
}

void BM_Operation200Commands(benchmark::State& state)
{
    THttpServer server;
    if (!server.start()) {
        state.SkipWithError("no loopback server");
        return;
    }
    server.addPage(QStringLiteral("/a.html"), Page("b.html"));
    server.addPage(QStringLiteral("/b.html"), Page("a.html"));

    QTemporaryDir home;
    auto project = TXMLProjectType::NewProjectDocument();
    project->ApplyNewProjectValues(QStringLiteral("BENCH"), home.path());
    project->SetScreenIdentify(3);
    project->SetScreenIdentifyID(QStringLiteral("sid"));
    const QString data = project->RootDirectory();
    App().setCurrentProject(std::move(project));
    QByteArray values = "<FormData>";
    for (int i = 0; i < kFields; ++i)
        values += "<FormDataItem key=\"//f/t" + QByteArray::number(i) + "\">value " + QByteArray::number(i) + "</FormDataItem>";
    Write(data + "/FormData/BENCH.ini", textcodec::toCp932(QStringLiteral("[Info]\r\n%1=bench\r\n").arg(kDataId)));
    Write(data + QStringLiteral("/FormData/%1.xml").arg(kDataId), values + "</FormData>");

    // Blocks of ten: an input, two compares, an input, two compares, an input, two compares,
    // a click that loads the other page.
    TOperationList operations;
    auto operation = std::make_unique<TCommandAutoOperation>(1);
    operation->Name = QStringLiteral("bench");
    operation->TargetScreenID = QStringLiteral("BENCH");
    operation->MoveAddress = server.urlText(QStringLiteral("/a.html"));
    for (int block = 0; block < 20; ++block) {
        for (int i = 0; i < 9; ++i) {
            if (i % 3 == 0) {
                auto input = std::make_unique<TCommandInputData>();
                input->ScreenID = operation->TargetScreenID;
                input->DataID = QString::number(kDataId);
                input->DataName = QStringLiteral("bench");
                operation->append(std::move(input));
            } else {
                auto compare = std::make_unique<TCommandFormCompare>();
                compare->ScreenID = operation->TargetScreenID;
                compare->DataID = QString::number(kDataId);
                compare->DataName = QStringLiteral("bench");
                operation->append(std::move(compare));
            }
        }
        auto click = std::make_unique<TCommandClickButton>();
        click->ButtonKey = QStringLiteral("f.go");
        operation->append(std::move(click));
    }
    TCommandAutoOperation* op = operations.add(QStringLiteral("1"), std::move(operation));

    TEngineProfile profile;
    TTabs tabs(profile);
    TEventBus& bus = App().bus();
    auto tabAction = std::make_unique<TTabAction>(&tabs, nullptr);
    TTabAction* tabController = tabAction.get();
    bus.AddListener(std::move(tabAction));
    bus.AddListener(std::make_unique<TDataAction>());
    tabController->OpenNewTab(false);

    TStepClock steps;
    QObject::connect(&App().operationLog(), &TMemo::lineAppended, [&](const QString& line) { steps.line(line); });
    for (auto _ : state) {
        auto runner = std::make_unique<TTestOperationAction>(op, operations, 0);
        QPointer<TTestOperationAction> raw = runner.get();
        bus.AddListener(std::move(runner));
        steps.clock.start();
        steps.last = 0;
        raw->Start();
        if (!WaitFor([&] { return raw->IsOver(); }, 300000, 0)) {
            state.SkipWithError("the run did not end");
            break;
        }
        if (raw->ResultCode != 0) {
            const QStringList& lines = App().operationLog().lines();
            static std::string message;
            message = lines.mid(std::max<qsizetype>(0, lines.size() - 3)).join(QStringLiteral(" / ")).toStdString();
            if (qEnvironmentVariableIsSet("BENCH_DEBUG"))
                fprintf(stderr, "%s\n%s\n", qPrintable(lines.mid(0, 12).join('\n')), qPrintable(App().service<TConsoleMemos>().compare.text()));
            state.SkipWithError(message.c_str());
            break;
        }
        state.SetIterationTime(double(steps.clock.nsecsElapsed()) / 1e9);
        for (int i = 0; i < bus.ListenerCount(); ++i) {
            if (bus.ListenerAt(i) == raw.data()) {
                bus.RemoveListener(i);
                break;
            }
        }
    }
    // A data input: from its start line to its end line (all of it is the tool's own work).
    state.counters["inputMs"] = Mean(steps.inputs);
    state.counters["inputMedianMs"] = Median(steps.inputs);
    // A comparison: the same, with the one round trip that reads the page's live values.
    state.counters["compareMs"] = Mean(steps.compares);
    state.counters["compareMedianMs"] = Median(steps.compares);
    // The pacing on one page: from a command's end to the next command's start (the zero
    // timer's tick and the screen check of the step).
    state.counters["gapMs"] = Mean(steps.gaps);
    state.counters["gapMedianMs"] = Median(steps.gaps);
    // A click: from its start to its end (two round trips, or the start of the navigation).
    state.counters["clickMs"] = Mean(steps.clicks);
    // From a click's end to the next command's start: the page load and its parse.
    state.counters["loadMs"] = Mean(steps.loads);
    std::vector<double> nonNavigating;
    for (const auto* v : { &steps.inputs, &steps.compares })
        nonNavigating.insert(nonNavigating.end(), v->begin(), v->end());
    state.counters["nonNavigatingStepMs"] = Mean(nonNavigating) + Mean(steps.gaps);
    for (int i = bus.ListenerCount() - 1; i >= 0; --i)
        bus.RemoveListener(i);
    App().takeCurrentProject().reset();
}

BENCHMARK(BM_Operation200Commands)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}

int main(int argc, char** argv)
{
    return RunEngineBenchmarks(argc, argv);
}
