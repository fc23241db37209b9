#include "app/enginenoise.h"
#include "app/qttranslations.h"
#include "app/unattendedprompter.h"
#include "app/views/dialogprompter.h"
#include "app/views/controllers.h"
#include "core/appcontext.h"
#include "core/error.h"
#include "core/startup.h"
#include "core/views/mainform.h"
#include "core/views/screenshot.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

void printLine(std::FILE* out, const QString& text)
{
    std::fputs(text.toUtf8().constData(), out);
    std::fputc('\n', out);
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TScreenshotRequest screenshot = TakeScreenshotArguments(arguments);
    const TCommandLine commandLine = ParseCommandLine(arguments, qEnvironmentVariable("CALVERDINE_HOME"));
    if (commandLine.help) {
        std::fputs(CommandLineUsage().toUtf8().constData(), stdout);
        std::fputs(ScreenshotUsage().toUtf8().constData(), stdout);
        return 0;
    }
    if (commandLine.version) {
        printLine(stdout, QStringLiteral("Calverdine " CALVERDINE_VERSION));
        return 0;
    }
    if (!commandLine.error.isEmpty() || !screenshot.error.isEmpty()) {
        printLine(stderr, QStringLiteral("calverdine: ") + (screenshot.error.isEmpty() ? commandLine.error : screenshot.error));
        std::fputs(CommandLineUsage().toUtf8().constData(), stderr);
        return 2;
    }

    QuietEngineMessages(commandLine.verbose);
    // The engine's sandbox cannot run as root.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Calverdine"));
    QApplication::setApplicationVersion(QStringLiteral(CALVERDINE_VERSION));
    if (!InstallQtJapaneseTranslations(application))
        printLine(stderr, QStringLiteral("calverdine: Qt's Japanese translations are not installed (qt6-translations-l10n)"));

    // Nobody can answer a dialog on a platform without a screen: such runs are unattended.
    const QString platform = QGuiApplication::platformName();
    const bool headless = platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
    if (headless && !commandLine.unattended)
        printLine(stderr, QStringLiteral("calverdine: no screen (platform %1): running unattended").arg(platform));
    std::unique_ptr<TPrompter> prompter;
    if (commandLine.unattended || headless)
        prompter = std::make_unique<TUnattendedPrompter>();
    else
        prompter = std::make_unique<TDialogPrompter>();
    App().setPrompter(prompter.get());

    const QString home = commandLine.homeDirectory.isEmpty() ? DefaultHomeDirectory() : commandLine.homeDirectory;
    try {
        ResolveHomeDirectory(home);
    } catch (const TError& e) {
        printLine(stderr, QStringLiteral("calverdine: ") + e.message());
        prompter->message(e.message(), QString(), TPrompter::Buttons::Ok, TPrompter::Icon::Error);
        ResetApp();
        return 1;
    }

    TSingleInstance instance(App().homeDirectory);
    if (!instance.acquire()) {
        prompter->message(QStringLiteral("すでに起動しています"));
        ResetApp();
        return 1;
    }
    SetStartupProjectFile(commandLine.projectFile);

    int result = 0;
    {
        TMainForm form;
        form.FormCreate(CreateControllers);
        form.show();
        TScreenshotPreparation prepare;
        if (screenshot.compare)
            prepare = CompareWithFirstDataSet;
        ScheduleScreenshot(form, screenshot, 20000, prepare);
        result = QApplication::exec();
    }
    ResetApp();
    instance.release();
    return result;
}
