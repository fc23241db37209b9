#include "app/cli/clicommand.h"
#include "app/cli/clipage.h"

#include "browser/engine/enginebrowser.h"
#include "capture/savetocommand.h"
#include "core/appcontext.h"
#include "core/projectdocument.h"

#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>

#include <memory>

namespace {

constexpr char kUsage[] = "usage: calverdine-cli capture [--project FILE] [--full] [--size WxH] URL FILE\n";

int MarginOf(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value > 0 ? value : 0;
}

// "1280x800": both sides from 1 to 16384.
bool ParseSize(const QString& text, QSize* size)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    const int width = match.captured(1).toInt();
    const int height = match.captured(2).toInt();
    if (width < 1 || height < 1 || width > 16384 || height > 16384)
        return false;
    *size = QSize(width, height);
    return true;
}

void startCapture(const QStringList& arguments, TCliContext& context)
{
    QStringList rest = arguments;
    bool ok = true;
    const QString project = TakeOption(rest, QStringLiteral("--project"), &ok);
    const QString sizeText = TakeOption(rest, QStringLiteral("--size"), &ok, QStringLiteral("1280x800"));
    const bool full = TakeSwitch(rest, QStringLiteral("--full"));
    const bool unknownOption = std::any_of(rest.begin(), rest.end(), [](const QString& a) { return a.startsWith(QLatin1String("--")); });
    QSize size;
    if (!ok || rest.size() != 2 || unknownOption || !ParseSize(sizeText, &size)) {
        context.err() << kUsage;
        context.finish(2);
        return;
    }
    const QString url = rest.at(0);
    const QString file = rest.at(1);
    const QString suffix = QFileInfo(file).suffix().toLower();
    std::shared_ptr<TSaveToFileCommand> output;
    if (suffix == QLatin1String("bmp"))
        output = std::make_shared<TSaveToFileBmp>(QStringLiteral("ファイル(&F)"));
    else if (suffix == QLatin1String("png"))
        output = std::make_shared<TSaveToFilePng>(QStringLiteral("ファイル(&F)"));
    if (!output) {
        context.err() << QStringLiteral("capture error: %1: the file must end in .bmp or .png\n").arg(file);
        context.finish(2);
        return;
    }
    output->FileName = QFileInfo(file).absoluteFilePath();
    if (!project.isEmpty() && !OpenCliProject(project, context))
        return;
    QSize margin;
    if (full) {
        if (TXMLProjectType* p = App().currentProject())
            margin = QSize(MarginOf(p->CaptureMarginWidth()), MarginOf(p->CaptureMarginHeight()));
    }

    auto* page = new TCliPage(context.profile(), &context.scope());
    page->browser()->resize(size);
    QPointer<TCliPage> guard(page);
    page->load(url, [guard, &context, url, full, margin, output](const QString& loadError) {
        if (!guard)
            return;
        if (!loadError.isEmpty() || !guard->model()) {
            context.err() << QStringLiteral("load error: %1: %2\n").arg(url, loadError);
            context.finish(1);
            return;
        }
        guard->tab().Capture(full ? 2 : 1, margin, [&context, output](const TCaptureImage& result) {
            if (result.image.isNull()) {
                context.err() << QStringLiteral("capture error: %1\n").arg(result.error);
                context.finish(1);
                return;
            }
            if (!result.note.isEmpty())
                context.err() << QStringLiteral("capture warning: %1\n").arg(result.note);
            QString writeError;
            if (!output->Output(result.image, &writeError)) {
                context.err() << writeError << '\n';
                context.finish(1);
                return;
            }
            context.out() << QStringLiteral("%1 %2x%3\n").arg(output->FileName).arg(result.image.width()).arg(result.image.height());
            context.finish(0);
        });
    });
}

const TCliRegistration registration({ QStringLiteral("capture"), QStringLiteral("[--project FILE] [--full] [--size WxH] URL FILE"),
                                      QStringLiteral("writes the page's visible area (or with --full the whole page and the "
                                                     "project's capture margins) to a .bmp or .png file"),
                                      startCapture });

} // namespace
