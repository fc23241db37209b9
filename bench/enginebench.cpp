// What parsing adds to a page load in the real engine, for a generated page of 5,000 form
// fields: the time from the page being ready for scripts after its load (the engine's own
// load, layout included, is done) to the document model being ready. Run headless:
// QT_QPA_PLATFORM=offscreen is set when absent.
#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"
#include "browser/engine/enginepagechannel.h"
#include "browser/tabwindow.h"
#include "core/appcontext.h"
#include "document/calverdinedocument.h"
#include "document/pagesnapshot.h"
#include "core/memo.h"
#include "core/projectdocument.h"
#include "formdata/dataactioncommand.h"
#include "formdata/formdatastore.h"
#include "formdata/formvaluelist.h"
#include "formdata/liverefresh.h"
#include "enginebenchsupport.h"
#include "support/httpserver.h"
#include "support/recordingtabowner.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <memory>

#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray GeneratedPage(int fields)
{
    QByteArray html = "<!DOCTYPE html><html><head><meta charset=utf-8><title>Fields</title></head><body>";
    for (int start = 0; start < fields; start += 100) {
        html += "<form name=form" + QByteArray::number(start / 100) + " action=save.cgi method=post>";
        for (int i = start; i < std::min(fields, start + 100); ++i) {
            const QByteArray name = "field" + QByteArray::number(i % 100);
            switch (i % 6) {
            case 0:
            case 1:
                html += "<input type=text name=" + name + " value='value " + QByteArray::number(i) + "'>";
                break;
            case 2:
                html += "<input type=checkbox name=" + name + " value=on" + (i % 4 ? " checked>" : ">");
                break;
            case 3:
                html += "<input type=radio name=choice value=" + QByteArray::number(i) + ">";
                break;
            case 4:
                html += "<select name=" + name + "><option>a<option selected>b<option>c<option>d</select>";
                break;
            default:
                html += "<textarea name=" + name + ">text " + QByteArray::number(i) + "</textarea>";
                break;
            }
        }
        html += "<input type=submit name=send value=Send></form><a href=next.html>next</a>";
    }
    return html + "</body></html>";
}

// Times every parse of the tab. When the document completes, a script that only lays the
// page out is sent ahead of the snapshot: its answer marks the moment the page is shown and
// free to run the snapshot, so what the engine still does for its own load (style and layout
// of 5,000 fields) is not counted.
class TParseTimer final : public TRecordingTabOwner {
public:
    explicit TParseTimer(QWebEnginePage* page) : m_page(page) {}

    void OnDocumentComplete(int, const QString&, const QString&) override
    {
        reports.clear();
        m_clock.start();
        m_readyNs = -1;
        m_paintedNs = -1;
        if (m_page) {
            m_page->runJavaScript(QStringLiteral("document.documentElement.offsetHeight"), 0, [this](const QVariant&) { m_readyNs = m_clock.nsecsElapsed(); });
            // An empty script right behind it: the engine runs it once it has done what it does
            // for its own load between the two (painting the new page), which is then not
            // the snapshot's time either.
            m_page->runJavaScript(QStringLiteral("0"), 0, [this](const QVariant&) { m_paintedNs = m_clock.nsecsElapsed(); });
        }
    }
    void OnDocumentParsed(int) override
    {
        const qint64 total = m_clock.nsecsElapsed();
        lastMs = double(total - std::max<qint64>(0, m_readyNs)) / 1e6;
        lastAfterPaintMs = double(total - std::max<qint64>(0, std::max(m_readyNs, m_paintedNs))) / 1e6;
        lastTotalMs = double(total) / 1e6;
        ++parses;
    }

    double lastMs = 0;
    double lastAfterPaintMs = 0;
    double lastTotalMs = 0;
    int parses = 0;

private:
    QWebEnginePage* m_page;
    QElapsedTimer m_clock;
    qint64 m_readyNs = -1;
    qint64 m_paintedNs = -1;
};

// A total over the runs as a mean per run.
double PerIteration(const benchmark::State& state, double total)
{
    return total / double(std::max<benchmark::IterationCount>(1, state.iterations()));
}

// Skips the benchmark with the reason unless the set-up went well.
bool Ready(benchmark::State& state, bool ok, const char* why = "the page was not loaded")
{
    if (!ok)
        state.SkipWithError(why);
    return ok;
}

// The generated page served on loopback and an engine view of the window's size to load it.
struct TServedPage {
    explicit TServedPage(int fields)
    {
        served = server.start();
        server.addPage(QStringLiteral("/fields.html"), GeneratedPage(fields));
        browser = new TEngineBrowser(profile.profile());
        browser->resize(1280, 900);
        browser->show();
    }
    ~TServedPage() { delete browser; }
    QString url() const { return server.urlText(QStringLiteral("/fields.html")); }

    THttpServer server;
    TEngineProfile profile;
    TEngineBrowser* browser = nullptr;
    bool served = false;
};

void BM_LoadToDocumentModel(benchmark::State& state)
{
    TServedPage served(int(state.range(0)));
    if (!Ready(state, served.served, "no loopback server"))
        return;
    TEngineBrowser* browser = served.browser;
    TParseTimer timer(browser->page());
    double totalMs = 0;
    double afterPaintMs = 0;
    TTabWindow tab(browser, nullptr);
    tab.SetTabId(1);
    tab.SetOwner(&timer);

    for (auto _ : state) {
        const int before = timer.parses;
        tab.Navigate(served.url());
        if (!WaitFor([&] { return timer.parses > before; }, 180000)) {
            state.SkipWithError("the page was not parsed");
            break;
        }
        state.SetIterationTime(timer.lastMs / 1000.0);
        totalMs += timer.lastTotalMs;
        afterPaintMs += timer.lastAfterPaintMs;
    }
    // From the load event to the model, with what the engine still does after its load.
    state.counters["fromLoadMs"] = PerIteration(state, totalMs);
    // Without the engine's painting of the new page after the layout read.
    state.counters["afterPaintMs"] = PerIteration(state, afterPaintMs);
    if (TCalverdineDocument* model = tab.GetDocumentModel())
        state.counters["parts"] = model->FormParts().count();
    tab.SetOwner(nullptr);
}

// The parts of it, on a page that stays loaded: the snapshot call (page script, transfer)
// and the model built from its answer.
struct TLoadedPage : TServedPage {
    explicit TLoadedPage(int fields) : TServedPage(fields)
    {
        if (!served)
            return;
        tab = std::make_unique<TTabWindow>(browser, nullptr);
        tab->SetOwner(&timer);
        tab->Navigate(url());
        loaded = WaitFor([&] { return timer.parses > 0; }, 180000);
    }
    ~TLoadedPage() { tab.reset(); }
    QByteArray snapshot()
    {
        QByteArray json;
        bool done = false;
        browser->TakeSnapshot({}, [&](const TBrowserControl::SnapshotResult& r) {
            json = r.json;
            done = true;
        });
        WaitFor([&] { return done; }, 180000);
        return json;
    }

    TParseTimer timer { nullptr };
    std::unique_ptr<TTabWindow> tab;
    bool loaded = false;
};

void BM_SnapshotCall(benchmark::State& state)
{
    TLoadedPage page(int(state.range(0)));
    if (!Ready(state, page.loaded))
        return;
    qsizetype size = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        size = page.snapshot().size();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    state.counters["jsonKB"] = double(size) / 1024.0;
}

void BM_ModelFromSnapshot(benchmark::State& state)
{
    TLoadedPage page(int(state.range(0)));
    const QByteArray json = page.loaded ? page.snapshot() : QByteArray();
    if (json.isEmpty()) {
        state.SkipWithError("no snapshot");
        return;
    }
    for (auto _ : state) {
        auto model = ParsePage(QStringLiteral("http://127.0.0.1/fields.html"), TPageSnapshot::fromJson(json));
        benchmark::DoNotOptimize(model.get());
    }
}

// The floor the real paths are measured against: the smallest page-side script that does
// the same work, run in the same script world, timed from the call to its answer in the tool.
double RunPageScript(TLoadedPage& page, const QString& script, QVariant* answer);

// Times the script on every iteration; each answer goes to `take`.
template <typename Take>
void TimeScript(benchmark::State& state, TLoadedPage& page, const QString& script, Take take)
{
    for (auto _ : state) {
        QVariant answer;
        const double seconds = RunPageScript(page, script, &answer);
        if (!Ready(state, seconds >= 0, "no answer"))
            break;
        take(answer);
        state.SetIterationTime(seconds);
    }
}

double RunPageScript(TLoadedPage& page, const QString& script, QVariant* answer)
{
    bool done = false;
    QElapsedTimer clock;
    clock.start();
    qint64 ns = 0;
    page.browser->page()->runJavaScript(script, TEnginePageChannel::world(), [&](const QVariant& result) {
        ns = clock.nsecsElapsed();
        *answer = result;
        done = true;
    });
    WaitFor([&] { return done; }, 180000);
    return done ? double(ns) / 1e9 : -1;
}

const QString kRawWalkScript = QStringLiteral(
    "(function(){var f=document.querySelectorAll('input,select,textarea,button'),r=new Array(f.length);"
    "for(var i=0;i<f.length;i++){var e=f[i];r[i]=[e.name,e.type,e.value];}"
    "return JSON.stringify(r);})()");

// The parent and the CPU time so far (ms: user and system) of one process from its stat line,
// or false when it is gone.
bool ReadStat(qint64 pid, qint64* parent, double* cpuMs)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = f.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 15)
        return false;
    *parent = fields[1].toLongLong();
    *cpuMs = double(fields[11].toLongLong() + fields[12].toLongLong()) * 1000.0 / double(sysconf(_SC_CLK_TCK));
    return true;
}

// Every process below this one: the engine's renderer and its helpers. Scans all of /proc,
// so it is called outside the timed part.
std::vector<qint64> EngineProcesses()
{
    const qint64 self = QCoreApplication::applicationPid();
    QHash<qint64, qint64> parent;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        double cpu = 0;
        if (ok)
            ReadStat(pid, &parent[pid], &cpu);
    }
    std::vector<qint64> below;
    for (auto it = parent.cbegin(); it != parent.cend(); ++it) {
        qint64 p = it.value();
        for (int depth = 0; p > 1 && depth < 8; ++depth, p = parent.value(p)) {
            if (p == self) {
                below.push_back(it.key());
                break;
            }
        }
    }
    return below;
}

// Their CPU time so far, in ms.
double CpuMs(const std::vector<qint64>& processes)
{
    double total = 0;
    for (qint64 pid : processes) {
        qint64 parent = 0;
        double cpu = 0;
        if (ReadStat(pid, &parent, &cpu))
            total += cpu;
    }
    return total;
}

// Loads the page afresh on every iteration and runs the script as the first one of the tool's
// world (or of another), timed like the load path from the same layout read and empty script;
// `take` gets each answer. On a fresh page the engine still has to make every element's
// script object for that world, which repeated scripts on a page that stays loaded find made.
template <typename Take>
void TimeFirstScript(benchmark::State& state, const QString& script, Take take, quint32 world = TEnginePageChannel::world())
{
    TServedPage served(int(state.range(0)));
    if (!Ready(state, served.served, "no loopback server"))
        return;
    QWebEnginePage* page = served.browser->page();
    double afterPaintMs = 0;
    double cpuMs = 0;
    for (auto _ : state) {
        bool loaded = false;
        const auto connection = QObject::connect(page, &QWebEnginePage::loadFinished, page, [&](bool) { loaded = true; });
        page->load(QUrl(served.url()));
        const bool ok = WaitFor([&] { return loaded; }, 180000);
        QObject::disconnect(connection);
        if (!ok) {
            state.SkipWithError("the page was not loaded");
            break;
        }
        const std::vector<qint64> engine = EngineProcesses();
        QElapsedTimer clock;
        clock.start();
        qint64 readyNs = -1, paintedNs = -1, doneNs = -1;
        double cpuBefore = 0;
        page->runJavaScript(QStringLiteral("document.documentElement.offsetHeight"), 0, [&](const QVariant&) { readyNs = clock.nsecsElapsed(); });
        page->runJavaScript(QStringLiteral("0"), 0, [&](const QVariant&) { paintedNs = clock.nsecsElapsed(); cpuBefore = CpuMs(engine); });
        page->runJavaScript(script, world, [&](const QVariant& answer) {
            doneNs = clock.nsecsElapsed();
            cpuMs += CpuMs(engine) - cpuBefore;
            take(answer);
        });
        if (!WaitFor([&] { return doneNs >= 0; }, 180000)) {
            state.SkipWithError("no answer");
            break;
        }
        state.SetIterationTime(double(doneNs - readyNs) / 1e9);
        afterPaintMs += double(doneNs - std::max(readyNs, paintedNs)) / 1e6;
    }
    state.counters["afterPaintMs"] = PerIteration(state, afterPaintMs);
    state.counters["engineCpuMs"] = PerIteration(state, cpuMs);
}

// The floor of BM_LoadToDocumentModel: the raw walk as the first script of the tool's world
// on a freshly loaded page.
void BM_RawWalkAfterLoad(benchmark::State& state)
{
    TimeFirstScript(state, kRawWalkScript, [](const QVariant&) {});
}

// The snapshot's page script, or the raw walk, timed inside the page: its answer is the
// milliseconds taken and the length of the text made, and is added up in `pageMs`.
QString TimedInPage(bool snapshot)
{
    const QString run = snapshot ? QStringLiteral("window.__calverdine.snapshot({},1)") : kRawWalkScript;
    return (snapshot ? TEnginePageChannel::scriptSource(QStringLiteral("snapshot.js")) : QString())
           + QStringLiteral(";\n(function(){var t=performance.now();var s=") + run
           + QStringLiteral(";return [performance.now()-t,s.length];})()");
}

auto AddPageMs(double& pageMs)
{
    return [&pageMs](const QVariant& answer) { pageMs += answer.toList().value(0).toDouble(); };
}

// Timed in the page, both as the first script on a freshly loaded page: the snapshot's page
// side (second arg 1) against the raw walk's (0); the load path's share of the page script.
// The third arg 0 runs the same script in the page's own world instead of the tool's: what
// the engine's separate world for the tool costs (the tool cannot read from the page's world,
// where the page's scripts could change what it reads).
void BM_PageSideAfterLoad(benchmark::State& state)
{
    double pageMs = 0;
    const quint32 world = state.range(2) == 1 ? TEnginePageChannel::world() : quint32(QWebEngineScript::MainWorld);
    TimeFirstScript(state, TimedInPage(state.range(1) == 1), AddPageMs(pageMs), world);
    state.counters["pageMs"] = PerIteration(state, pageMs);
}

// Reads every field's name, type and value into one JSON text and hands it to the tool.
void BM_RawWalk(benchmark::State& state)
{
    TLoadedPage page(int(state.range(0)));
    if (!Ready(state, page.loaded))
        return;
    qsizetype size = 0;
    TimeScript(state, page, kRawWalkScript, [&](const QVariant& answer) { size = answer.toString().toUtf8().size(); });
    state.counters["jsonKB"] = double(size) / 1024.0;
}

// Where the snapshot call's time goes: the page-side walk and its JSON text, timed in the
// page (counter pageMs), against the whole call with the transfer of the answer.
void BM_SnapshotPageSide(benchmark::State& state)
{
    TLoadedPage page(int(state.range(0)));
    if (!Ready(state, page.loaded))
        return;
    double pageMs = 0;
    TimeScript(state, page, TimedInPage(true), AddPageMs(pageMs));
    state.counters["pageMs"] = PerIteration(state, pageMs);
}

// The data panel's paths on the live page: a project, the page's values as a stored data set
// and a second set with every text changed.
struct TDataSetPage : TLoadedPage {
    explicit TDataSetPage(int fields) : TLoadedPage(fields)
    {
        auto project = TXMLProjectType::NewProjectDocument();
        project->SetRootDirectory(dir.path());
        App().setCurrentProject(std::move(project));
        model = loaded ? tab->GetDocumentModel() : nullptr;
        if (!model)
            return;
        shown = store.fillFromTag(1, *model->RootFrame(), false);
        for (int i = 0; i < shown.count(); ++i) {
            const TTagFormPart* part = model->FormParts().find(shown.name(i));
            const QString type = part ? part->GetType().toLower() : QString();
            const bool text = type == QLatin1String("text") || type == QLatin1String("textarea");
            changed.append(shown.name(i), text ? QStringLiteral("changed ") + QString::number(i) : shown.value(i));
        }
    }
    ~TDataSetPage() { App().setCurrentProject(nullptr); }

    // The page's values read back into the model, as before a comparison.
    bool readBack()
    {
        bool done = false;
        QString error;
        QObject context;
        RefreshLiveValues(*model, &context, [] { return true; }, [&](const QString& e) {
            error = e;
            done = true;
        });
        WaitFor([&] { return done; }, 60000);
        return done && error.isEmpty();
    }
    int roundTrips() const { return static_cast<TEnginePageChannel*>(browser->PageChannel())->roundTrips(); }

    QTemporaryDir dir;
    TCalverdineDocument* model = nullptr;
    TFormDataStore store;
    TFormValueList shown;
    TFormValueList changed;
};

// A stored data set written into the live page through the data panel's path, until the
// page's values are read back into the model.
void BM_InputDataSet(benchmark::State& state)
{
    TDataSetPage page(int(state.range(0)));
    if (!Ready(state, page.model))
        return;
    int trips = 0;
    int iteration = 0;
    for (auto _ : state) {
        const TFormValueList& values = iteration++ % 2 ? page.shown : page.changed;
        const int before = page.roundTrips();
        QElapsedTimer clock;
        clock.start();
        TDataActionCommand::inputValues(values, *page.model);
        if (!page.readBack()) {
            state.SkipWithError("the values were not read back");
            break;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        trips = page.roundTrips() - before;
    }
    state.counters["values"] = page.changed.count();
    state.counters["roundTrips"] = trips;
}

// The comparison of a stored data set with the live page, its values read first.
void BM_CompareDataSet(benchmark::State& state)
{
    TDataSetPage page(int(state.range(0)));
    if (!Ready(state, page.model))
        return;
    int trips = 0;
    int equal = 0;
    for (auto _ : state) {
        const int before = page.roundTrips();
        QElapsedTimer clock;
        clock.start();
        if (!page.readBack()) {
            state.SkipWithError("the values were not read back");
            break;
        }
        TMemo report;
        TDataActionCommand command;
        command.compare(QStringLiteral("SCREEN"), QStringLiteral("data"), page.shown, *page.model, report, nullptr);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        trips = page.roundTrips() - before;
        equal = command.equalCount();
    }
    state.counters["values"] = page.shown.count();
    state.counters["equal"] = equal;
    state.counters["roundTrips"] = trips;
}

// The tool's peak memory for a loaded page (maxrss, for the whole process: engine processes
// are separate), against the size of the page's snapshot answer.
void BM_PeakMemory(benchmark::State& state)
{
    // The engine's own start and a small page first, so what grows after is the big page's.
    {
        TLoadedPage small(100);
        if (!Ready(state, small.loaded && !small.snapshot().isEmpty(), "the small page was not read"))
            return;
    }
    rusage before {};
    getrusage(RUSAGE_SELF, &before);
    TLoadedPage page(int(state.range(0)));
    if (!Ready(state, page.loaded))
        return;
    qsizetype answer = 0;
    for (auto _ : state) {
        answer = page.snapshot().size();
        state.SetIterationTime(0.001);
    }
    rusage after {};
    getrusage(RUSAGE_SELF, &after);
    state.counters["answerMB"] = double(answer) / 1e6;
    state.counters["maxrssStartMB"] = double(before.ru_maxrss) / 1e3;
    state.counters["maxrssMB"] = double(after.ru_maxrss) / 1e3;
    state.counters["growthPerAnswer"] = double(after.ru_maxrss - before.ru_maxrss) * 1e3 / double(std::max<qsizetype>(1, answer));
}

// One page-side call that sets every field's value and fires input and change on it.
void BM_RawBatchWrite(benchmark::State& state)
{
    TLoadedPage page(int(state.range(0)));
    if (!Ready(state, page.loaded))
        return;
    static const QString script = QStringLiteral(
        "(function(){var f=document.querySelectorAll('input,select,textarea');"
        "for(var i=0;i<f.length;i++){var e=f[i];"
        "if(e.type==='checkbox'||e.type==='radio')e.checked=!e.checked;"
        "else if(e.tagName==='SELECT')e.selectedIndex=(e.selectedIndex+1)%e.options.length;"
        "else e.value='w'+i;"
        "e.dispatchEvent(new Event('input',{bubbles:true}));e.dispatchEvent(new Event('change',{bubbles:true}));}"
        "return f.length;})()");
    TimeScript(state, page, script, [](const QVariant&) {});
}

BENCHMARK(BM_LoadToDocumentModel)->Arg(5000)->Arg(500)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_SnapshotCall)->Arg(5000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_ModelFromSnapshot)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_SnapshotPageSide)->Arg(5000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_RawWalkAfterLoad)->Arg(5000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_PageSideAfterLoad)->Args({ 5000, 0, 1 })->Args({ 5000, 1, 1 })->Args({ 5000, 0, 0 })->Args({ 5000, 1, 0 })->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_RawWalk)->Arg(5000)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
// The largest pages: a few runs each, a page takes tens of seconds to load.
BENCHMARK(BM_LoadToDocumentModel)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RawWalk)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RawWalkAfterLoad)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SnapshotCall)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SnapshotPageSide)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_InputDataSet)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_CompareDataSet)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_RawBatchWrite)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
// Meaningful alone (maxrss only grows): --benchmark_filter=BM_PeakMemory
BENCHMARK(BM_PeakMemory)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}

int main(int argc, char** argv)
{
    return RunEngineBenchmarks(argc, argv);
}
