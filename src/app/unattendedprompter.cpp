#include "app/unattendedprompter.h"

void TUnattendedPrompter::write(const QString& line)
{
    QString text = line;
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fputs(text.toUtf8().constData(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

int TUnattendedPrompter::message(const QString& text, const QString& caption, Buttons buttons, Icon)
{
    write(QStringLiteral("message: ") + (caption.isEmpty() ? QString() : caption + QStringLiteral(": ")) + text);
    return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Ok : Yes;
}

QString TUnattendedPrompter::openFile(const FileRequest& request)
{
    write(QStringLiteral("open file: ") + request.title + QStringLiteral(" (cancelled)"));
    return QString();
}

QString TUnattendedPrompter::saveFile(const FileRequest& request)
{
    write(QStringLiteral("save file: ") + request.title + QStringLiteral(" (cancelled)"));
    return QString();
}

std::optional<QString> TUnattendedPrompter::password(const QString& caption, const QString&)
{
    write(QStringLiteral("password: ") + caption + QStringLiteral(" (cancelled)"));
    return std::nullopt;
}
