#include "core/views/screenshot.h"

#include "core/appcontext.h"
#include "core/mainformaction.h"
#include "core/tabaccess.h"
#include "core/views/mainform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QLayout>
#include <QPixmap>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

constexpr int kPollMs = 100;
// Quiet polls in a row before the picture is taken: tabs that open late get their turn.
constexpr int kQuietPolls = 8;

QSize parseSize(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{2,5})[xX](\\d{2,5})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return QSize();
    return QSize(m.captured(1).toInt(), m.captured(2).toInt());
}

bool pageIsLoading()
{
    TTabRegistry* tabs = App().tabs;
    TTabView* tab = tabs ? tabs->CurrentTab() : nullptr;
    return tab && (tab->Busy() || tab->NavigationState() == 1);
}

void finish(TMainForm& form, const TScreenshotRequest& request)
{
    if (request.size.isValid()) {
        form.showNormal();
        form.resize(request.size);
    }
    form.layout()->activate();
    QCoreApplication::processEvents();
    const QImage image = form.grab().toImage();
    QImageWriter writer(request.fileName, "png");
    int code = 0;
    if (!writer.write(image)) {
        const QString message = QStringLiteral("calverdine: the screenshot cannot be written to %1: %2\n")
                                    .arg(request.fileName, writer.errorString());
        std::fputs(message.toUtf8().constData(), stderr);
        code = 1;
    }
    QCoreApplication::exit(code);
}

} // namespace

TScreenshotRequest TakeScreenshotArguments(QStringList& arguments)
{
    TScreenshotRequest request;
    QStringList rest;
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        const bool isFile = a == QLatin1String("--screenshot");
        const bool isSize = a == QLatin1String("--screenshot-size");
        if (!optionsEnded && a == QLatin1String("--screenshot-compare")) {
            request.compare = true;
            continue;
        }
        if (optionsEnded || !(isFile || isSize)) {
            optionsEnded = optionsEnded || a == QLatin1String("--");
            rest << a;
            continue;
        }
        if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
            request.error = a + (isFile ? QStringLiteral(" needs a file name") : QStringLiteral(" needs WIDTHxHEIGHT"));
            break;
        }
        const QString value = arguments.at(++i);
        if (isFile) {
            request.fileName = value;
        } else {
            request.size = parseSize(value);
            if (!request.size.isValid()) {
                request.error = QStringLiteral("--screenshot-size needs WIDTHxHEIGHT, not ") + value;
                break;
            }
        }
    }
    if (request.error.isEmpty() && request.size.isValid() && request.fileName.isEmpty())
        request.error = QStringLiteral("--screenshot-size goes with --screenshot FILE");
    if (request.error.isEmpty() && request.compare && request.fileName.isEmpty())
        request.error = QStringLiteral("--screenshot-compare goes with --screenshot FILE");
    if (request.error.isEmpty())
        arguments = rest;
    return request;
}

QString ScreenshotUsage()
{
    return QStringLiteral("  --screenshot FILE\n"
                          "                  write a PNG picture of the main window once the start-up\n"
                          "                  project is open and its pages are loaded, then exit\n"
                          "  --screenshot-size WIDTHxHEIGHT\n"
                          "                  lay the window out at that size for the picture\n"
                          "  --screenshot-compare\n"
                          "                  compare the page with the first data set of its screen\n"
                          "                  and show the report in the picture\n");
}

void ScheduleScreenshot(TMainForm& form, const TScreenshotRequest& request, int timeoutMs,
                        TScreenshotPreparation prepare)
{
    if (!request.requested())
        return;
    if (request.size.isValid())
        form.resize(request.size);
    auto* timer = new QTimer(&form);
    timer->setInterval(kPollMs);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto quiet = std::make_shared<int>(0);
    // The preparation's state: 0 not started, 1 running, 2 done.
    auto prepared = std::make_shared<int>(prepare ? 0 : 2);
    QObject::connect(timer, &QTimer::timeout, &form, [&form, request, timer, clock, quiet, timeoutMs, prepare, prepared] {
        const TMainFormAction* action = form.mainFormAction();
        const bool ready = form.isVisible() && (!action || action->activated()) && !pageIsLoading();
        *quiet = ready ? *quiet + 1 : 0;
        const bool late = clock->elapsed() >= timeoutMs;
        if (*quiet < kQuietPolls && !late)
            return;
        if (*prepared == 0 && !late) {
            *prepared = 1;
            *quiet = 0;
            QPointer<QTimer> guard(timer);
            prepare([prepared, guard] {
                if (guard)
                    *prepared = 2;
            });
            return;
        }
        if (*prepared == 1 && !late)
            return;
        timer->stop();
        timer->deleteLater();
        finish(form, request);
    });
    timer->start();
}
