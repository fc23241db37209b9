#include "app/cli/clicommand.h"
#include "app/cli/clipage.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"
#include "browser/tabaction.h"
#include "core/appcontext.h"
#include "core/error.h"
#include "core/eventbus.h"
#include "core/homefiles.h"
#include "core/inifile.h"
#include "core/memo.h"
#include "core/projectdocument.h"
#include "core/safefile.h"
#include "core/prompter.h"
#include "core/startup.h"
#include "formdata/dataaction.h"
#include "operation/operationbatch.h"
#include "operation/operationlist.h"
#include "operation/testfilecommand.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QPointer>
#include <QSaveFile>

#include <memory>
#include <vector>

namespace {


// Tab windows of a run: a browser control laid out like a tab of the usual window, without a
// window around it.
class THeadlessTabs final : public TTabWindowFactory {
public:
    explicit THeadlessTabs(TEngineProfile& profile) : m_profile(profile) {}
    ~THeadlessTabs() override
    {
        for (const QPointer<TEngineBrowser>& browser : m_browsers)
            delete browser.data();
    }

    TTabWindow* CreateTabWindow(TTabWindow*) override
    {
        auto* browser = new TEngineBrowser(m_profile.profile());
        browser->resize(1280, 900);
        browser->show();
        m_browsers.emplace_back(browser);
        return new TTabWindow(browser, nullptr, browser);
    }

    // The browser control of the tab, or none.
    static TEngineBrowser* browserOf(TTabView* tab)
    {
        auto* window = dynamic_cast<TTabWindow*>(tab);
        return window ? dynamic_cast<TEngineBrowser*>(window->Browser()) : nullptr;
    }

private:
    TEngineProfile& m_profile;
    std::vector<QPointer<TEngineBrowser>> m_browsers;
};

struct TRunOptions {
    QString project;
    QString junit;
    QString captureDir;
    int interval = -1; // -1: the stored setting, or 0
    int shardK = 1;
    int shardN = 1;
    bool all = false;
    QStringList ids;
};

// "AutoOperation" / "Interval" of the global settings file, 0 when it is not there: the
// runner waits for pages, not for a clock.
int StoredIntervalOrZero()
{
    if (App().homeDirectory.isEmpty()) {
        const QString home = qEnvironmentVariable("CALVERDINE_HOME");
        App().homeDirectory = home.isEmpty() ? DefaultHomeDirectory() : QDir(home).absolutePath();
    }
    if (App().homeDirectory.isEmpty())
        return 0;
    TIniFile ini(GlobalSettingsPath());
    if (!ini.load() || !ini.keyExists(QStringLiteral("AutoOperation"), QStringLiteral("Interval")))
        return 0;
    return std::max(0, ini.readInteger(QStringLiteral("AutoOperation"), QStringLiteral("Interval"), 0));
}

// One `run`: the project's operations, a tab controller with one headless tab, the data
// controller, and the batch that runs the chosen operations one after another.
class TOperationRun final : public QObject {
public:
    TOperationRun(TCliContext& context, TRunOptions options)
        : QObject(&context.scope()), m_context(context), m_options(std::move(options)), m_tabs(context.profile())
    {
        m_prompter = std::make_unique<TCliPrompter>(context.err(), TPrompter::Cancel);
        App().setPrompter(m_prompter.get());
    }
    ~TOperationRun() override
    {
        m_batch.reset();
        TEventBus& bus = App().bus();
        for (int i = bus.ListenerCount() - 1; i >= 0; --i) {
            TActionCalverdine* listener = bus.ListenerAt(i);
            if (listener == m_tabAction || listener == m_dataAction)
                bus.RemoveListener(i);
        }
        if (App().prompter() == m_prompter.get())
            App().setPrompter(nullptr);
    }

    // False (with the message written) when the project's operations cannot be read or an
    // asked-for operation is not among them.
    bool prepare()
    {
        QString folder;
        try {
            folder = TTestFileCommand::CurrentFolder();
        } catch (...) {
            return fail(CurrentExceptionMessage());
        }
        TTestFileCommand files(folder);
        if (!QFileInfo::exists(files.listFileName()))
            return fail(QStringLiteral("no operation list: ") + QDir::toNativeSeparators(files.listFileName()));
        files.LoadOperations(m_operations);
        // An operation file that cannot be read was reported: the suite is not what was asked.
        if (m_prompter->errors > 0)
            return fail(QStringLiteral("the operations could not be read"));
        QStringList keys;
        if (m_options.all) {
            for (int i = 0; i < m_operations.count(); ++i)
                keys.append(m_operations.keyAt(i));
        } else {
            for (const QString& id : m_options.ids) {
                bool ok = false;
                const int number = id.toInt(&ok);
                if (!ok || !m_operations.find(number))
                    return fail(QStringLiteral("no operation %1 in %2").arg(id, QDir::toNativeSeparators(files.listFileName())));
                keys.append(QString::number(number));
            }
        }
        m_keys = SelectShard(keys, m_options.shardK, m_options.shardN);
        return true;
    }

    void start()
    {
        TEventBus& bus = App().bus();
        auto tabAction = std::make_unique<TTabAction>(&m_tabs, nullptr);
        m_tabAction = tabAction.get();
        auto dataAction = std::make_unique<TDataAction>();
        m_dataAction = dataAction.get();
        bus.AddListener(std::move(tabAction));
        bus.AddListener(std::move(dataAction));
        if (!m_tabAction->OpenNewTab(false)) {
            fail(QStringLiteral("no tab could be opened"));
            return;
        }
        connect(&App().operationLog(), &TMemo::lineAppended, this, [this](const QString& line) {
            m_context.out() << line << '\n';
            m_context.out().flush();
        });
        const int interval = m_options.interval >= 0 ? m_options.interval : StoredIntervalOrZero();
        m_batch = std::make_unique<TOperationBatch>(m_operations, m_keys, interval);
        m_batch->setNavigationTimeout(TCliPage::loadTimeoutMs());
        connect(m_batch.get(), &TOperationBatch::runFinished, this, [this](const TOperationRunResult& result) {
            if (!result.passed && !m_options.captureDir.isEmpty())
                capture(result.key);
        });
        connect(m_batch.get(), &TOperationBatch::finished, this, [this] { end(); });
        m_batch->start();
    }

private:
    // Keeps the visible area of the tab as <dir>/<OperationID>.png.
    void capture(const QString& key)
    {
        TEngineBrowser* browser = THeadlessTabs::browserOf(CurrentTabView());
        if (!browser)
            return;
        QDir().mkpath(m_options.captureDir);
        const QString path = QDir(m_options.captureDir).absoluteFilePath(key + QStringLiteral(".png"));
        // Written like every stored file: a full disk or a killed run leaves the last
        // capture of the same name whole.
        QByteArray png;
        QBuffer buffer(&png);
        QString error;
        if (buffer.open(QIODevice::WriteOnly) && browser->grab().save(&buffer, "PNG")
            && safefile::write(path, png, safefile::Backup::None, &error))
            m_captures.insert(key, path);
        else
            m_context.err() << QStringLiteral("capture error: %1\n").arg(error.isEmpty() ? QDir::toNativeSeparators(path) : error);
    }

    void end()
    {
        int exitCode = m_batch->allPassed() ? 0 : 1;
        if (!m_options.junit.isEmpty()) {
            const QString suite = App().currentProject() ? App().currentProject()->Name() : QStringLiteral("calverdine");
            QSaveFile file(m_options.junit);
            if (!file.open(QIODevice::WriteOnly) || file.write(JUnitReport(suite, m_batch->results(), m_captures)) < 0
                || !file.commit()) {
                m_context.err() << QStringLiteral("file save error: %1\n").arg(QDir::toNativeSeparators(m_options.junit));
                exitCode = 2;
            }
        }
        m_context.finish(exitCode);
    }

    bool fail(const QString& message)
    {
        m_context.err() << QStringLiteral("project error: %1\n").arg(message);
        m_context.finish(2);
        return false;
    }

    TCliContext& m_context;
    TRunOptions m_options;
    THeadlessTabs m_tabs;
    std::unique_ptr<TCliPrompter> m_prompter;
    TOperationList m_operations;
    QStringList m_keys;
    TTabAction* m_tabAction = nullptr;
    TDataAction* m_dataAction = nullptr;
    std::unique_ptr<TOperationBatch> m_batch;
    QHash<QString, QString> m_captures;
};

const char* const kUsage =
    "run --project FILE [--junit FILE] [--interval MS] [--shard K/N] [--capture-failures DIR] (--all | ID...)";

void startRun(const QStringList& arguments, TCliContext& context)
{
    QStringList rest = arguments;
    bool ok = true;
    TRunOptions options;
    options.project = TakeOption(rest, QStringLiteral("--project"), &ok);
    options.junit = TakeOption(rest, QStringLiteral("--junit"), &ok);
    options.captureDir = TakeOption(rest, QStringLiteral("--capture-failures"), &ok);
    const QString interval = TakeOption(rest, QStringLiteral("--interval"), &ok);
    const QString shard = TakeOption(rest, QStringLiteral("--shard"), &ok);
    options.all = TakeSwitch(rest, QStringLiteral("--all"));
    if (!interval.isEmpty()) {
        bool number = false;
        options.interval = interval.toInt(&number);
        ok = ok && number && options.interval >= 0;
    }
    if (!shard.isEmpty())
        ok = ok && ParseShard(shard, &options.shardK, &options.shardN);
    const bool unknownOption = std::any_of(rest.begin(), rest.end(), [](const QString& a) { return a.startsWith(QLatin1String("--")); });
    options.ids = rest;
    if (!ok || unknownOption || options.project.isEmpty() || options.all == !options.ids.isEmpty()) {
        context.err() << "usage: calverdine-cli " << kUsage << '\n';
        context.finish(2);
        return;
    }
    if (!OpenCliProject(options.project, context))
        return;
    auto* run = new TOperationRun(context, std::move(options));
    if (run->prepare())
        run->start();
}

const TCliRegistration runRegistration({
    QStringLiteral("run"),
    QString::fromLatin1(kUsage).mid(4),
    QStringLiteral("runs the project's automatic operations (each after its preconditions) on one headless tab, prints "
                   "the operation log; exit 0 all ended without error, 1 any ended with an error, 2 usage or project error"),
    startRun,
});

}
