#include "capture/savetocommand.h"

#include "core/commandlist.h"

#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>

QString CaptureAreaCaption(int area)
{
    return area == 2 ? QStringLiteral("スクロール領域も含める(&A)") : QStringLiteral("表示されている部分のみ(&V)");
}

QString TSaveToCommand::GetDescription() const
{
    return CaptionBeforeParenthesis(m_caption) + QLatin1Char('(') + CaptionBeforeParenthesis(CaptureAreaCaption(Area))
        + QLatin1Char(')');
}

bool TSaveToClipboard::Output(const QImage& image, QString* error)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || image.isNull()) {
        if (error)
            *error = QStringLiteral("clipboard error: the image could not be put on the clipboard");
        return false;
    }
    clipboard->setImage(image);
    return true;
}

bool TSaveToFileCommand::Output(const QImage& image, QString* error)
{
    QSaveFile file(FileName);
    QImageWriter writer(&file, m_format);
    if (!file.open(QIODevice::WriteOnly) || !writer.write(image) || !file.commit()) {
        const QString reason = file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        file.cancelWriting();
        if (error)
            *error = QStringLiteral("file save error: %1: %2").arg(FileName, reason);
        return false;
    }
    return true;
}
