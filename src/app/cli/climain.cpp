#include "app/cli/clicommand.h"
#include "app/enginenoise.h"

#include "browser/engine/engineprofile.h"
#include "core/appcontext.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

class TCliRun final : public TCliContext {
public:
    explicit TCliRun(TEngineProfile& profile)
        : m_profile(profile), m_out(stdout), m_err(stderr), m_scope(std::make_unique<QObject>())
    {
    }

    TEngineProfile& profile() override { return m_profile; }
    QObject& scope() override { return *m_scope; }
    QTextStream& out() override { return m_out; }
    QTextStream& err() override { return m_err; }
    void finish(int exitCode) override
    {
        m_out.flush();
        m_err.flush();
        QTimer::singleShot(0, qApp, [exitCode] { QCoreApplication::exit(exitCode); });
    }
    void release() { m_scope.reset(); }

private:
    TEngineProfile& m_profile;
    QTextStream m_out;
    QTextStream m_err;
    std::unique_ptr<QObject> m_scope;
};

void printUsage(FILE* stream)
{
    QString text = QStringLiteral("usage: calverdine-cli [--verbose] <command> [arguments]\n\n"
                                  "--verbose lets the browser engine's own messages through to standard error.\n\n"
                                  "commands:\n");
    for (const TCliCommand* command : TCliRegistry::instance().commands())
        text += QStringLiteral("  %1 %2\n      %3\n").arg(command->name, command->usage, command->summary);
    std::fputs(text.toLocal8Bit().constData(), stream);
}

}

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const bool verbose = TakeVerboseArgument(arguments);
    if (arguments.isEmpty() || arguments.first() == QLatin1String("--help") || arguments.first() == QLatin1String("-h")) {
        printUsage(arguments.isEmpty() ? stderr : stdout);
        return arguments.isEmpty() ? 2 : 0;
    }
    const TCliCommand* command = TCliRegistry::instance().find(arguments.first());
    if (!command) {
        std::fprintf(stderr, "calverdine-cli: unknown command '%s'\n", arguments.first().toLocal8Bit().constData());
        printUsage(stderr);
        return 2;
    }
    arguments.removeFirst();

    // Headless unless the caller chose a platform; the engine without its sandbox as root.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QuietEngineMessages(verbose);
    TEngineProfile::PrepareEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // No one answers questions here: message boxes of pages are dismissed, downloads cancelled.
    App().setPrompter(nullptr);

    int exitCode = 0;
    {
        TEngineProfile profile;
        TCliRun run(profile);
        QTimer::singleShot(0, &app, [&] { command->start(arguments, run); });
        exitCode = app.exec();
        run.release(); // pages go before their profile
    }
    ResetApp();
    return exitCode;
}
