#include "core/log.h"

#include "core/appcontext.h"
#include "core/memo.h"
#include "core/prompter.h"
#include "core/tickcount.h"
#include "core/projectdocument.h"

#include <QMutexLocker>

void WriteLogLine(const QString& text)
{
    TAppContext& app = App();
    QMutexLocker lock(&app.logLock());
    app.operationLog().appendLine(TickCountText() + QStringLiteral(": ") + text);
}

void LogInfo(const QString& text)
{
    WriteLogLine(text);
}

void LogWarn(const QString& text)
{
    TXMLProjectType* project = App().currentProject();
    if (!project)
        return;
    bool on = false;
    try {
        on = project->OutputWarning() == 1;
    } catch (...) {
        on = false; // an unreadable switch counts as off
    }
    if (on)
        WriteLogLine(QStringLiteral("[WARN] ") + text);
}

void LogError(const QString& text)
{
    WriteLogLine(QStringLiteral("[ERROR] ") + text);
    if (TPrompter* prompter = App().prompter())
        prompter->message(text, QString(), TPrompter::Buttons::Ok, TPrompter::Icon::Error);
}
