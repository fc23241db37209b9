#include "app/cli/clicommand.h"
#include "app/cli/clipage.h"

#include "browser/modeljson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTimer>

namespace {

// Loads the addresses one after another, each in a fresh page, and prints the models as
// one JSON array.
class TInspectRun final : public QObject {
public:
    TInspectRun(TCliContext& context, QStringList urls)
        : QObject(&context.scope()), m_context(context), m_urls(std::move(urls))
    {
    }

    void next()
    {
        if (m_page)
            m_page->deleteLater();
        if (m_index >= m_urls.size()) {
            m_context.out() << QString::fromUtf8(QJsonDocument(m_results).toJson(QJsonDocument::Indented));
            m_context.finish(m_failures > 0 ? 1 : 0);
            return;
        }
        const QString url = m_urls.at(m_index++);
        m_page = new TCliPage(m_context.profile(), this);
        QPointer<TInspectRun> self(this);
        m_page->load(url, [self, url](const QString& error) {
            if (!self)
                return;
            if (error.isEmpty() && self->m_page->model()) {
                self->m_results.append(DocumentModelJson(*self->m_page->model(), url));
            } else {
                ++self->m_failures;
                self->m_context.err() << QStringLiteral("load error: %1: %2\n").arg(url, error);
                self->m_results.append(QJsonObject { { QStringLiteral("url"), url }, { QStringLiteral("error"), error } });
            }
            QTimer::singleShot(0, self, [self] {
                if (self)
                    self->next();
            });
        });
    }

private:
    TCliContext& m_context;
    QStringList m_urls;
    int m_index = 0;
    int m_failures = 0;
    QJsonArray m_results;
    QPointer<TCliPage> m_page;
};

void startInspect(const QStringList& arguments, TCliContext& context)
{
    QStringList rest = arguments;
    bool ok = true;
    const QString project = TakeOption(rest, QStringLiteral("--project"), &ok);
    const bool unknownOption = std::any_of(rest.begin(), rest.end(), [](const QString& a) { return a.startsWith(QLatin1String("--")); });
    if (!ok || rest.isEmpty() || unknownOption) {
        context.err() << "usage: calverdine-cli inspect [--project FILE] URL...\n";
        context.finish(2);
        return;
    }
    if (!project.isEmpty() && !OpenCliProject(project, context))
        return;
    auto* run = new TInspectRun(context, rest);
    run->next();
}

const TCliRegistration registration({
    QStringLiteral("inspect"),
    QStringLiteral("[--project FILE] URL..."),
    QStringLiteral("loads each address headless and prints its document model as JSON"),
    startInspect,
});

}
