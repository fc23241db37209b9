#include "app/enginenoise.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>

namespace {

void dropEngineMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    // Only a fatal error is let through: the program is about to end and the user needs why.
    if (type == QtFatalMsg) {
        std::fputs(message.toLocal8Bit().constData(), stderr);
        std::fputc('\n', stderr);
    }
}

} // namespace

void QuietEngineMessages(bool verbose)
{
    if (verbose)
        return;
    qInstallMessageHandler(dropEngineMessage);
    // The engine's own processes log from their level "error" upwards to standard error;
    // only fatal ones stay. Flags the caller set are kept.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--log-level")) {
        if (!flags.isEmpty())
            flags += ' ';
        flags += "--log-level=3";
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    }
}

bool TakeVerboseArgument(QStringList& arguments)
{
    return arguments.removeAll(QStringLiteral("--verbose")) > 0;
}
