#include "formdata/liverefresh.h"

#include "core/error.h"
#include "core/log.h"
#include "document/calverdinedocument.h"
#include "document/pagechannel.h"
#include "document/pagesnapshot.h"

#include <QPointer>
#include <QTimer>

#include <memory>

QString LiveRefreshError(const QString& detail)
{
    return QStringLiteral("ページの値を読み取れませんでした: ") + detail;
}

void RefreshLiveValues(TCalverdineDocument& document, QObject* context, std::function<bool()> stillValid,
                       std::function<void(const QString& error)> done, int timeoutMs)
{
    TPageSnapshot* snapshot = document.Snapshot();
    TPageChannel* channel = snapshot ? snapshot->channel() : nullptr;
    if (!channel) {
        done(QString());
        return;
    }
    struct State {
        bool finished = false;
        std::function<void(const QString&)> done;
    };
    auto state = std::make_shared<State>();
    // The answer comes from a timer or from the page: nothing may escape into the event loop.
    state->done = [done = std::move(done)](const QString& error) {
        try {
            done(error);
        } catch (...) {
            LogError(CurrentExceptionMessage());
        }
    };
    QPointer<QObject> guard(context);
    TCalverdineDocument* model = &document;

    QTimer::singleShot(timeoutMs, context, [state] {
        if (state->finished)
            return;
        state->finished = true;
        state->done(LiveRefreshError(QStringLiteral("timeout")));
    });
    channel->refreshValues([state, guard, model, stillValid](const QByteArray& json, const QString& error) {
        if (state->finished || !guard)
            return;
        state->finished = true;
        if (stillValid && !stillValid()) {
            state->done(LiveRefreshError(QStringLiteral("the page changed")));
            return;
        }
        if (!error.isEmpty()) {
            state->done(LiveRefreshError(error));
            return;
        }
        try {
            model->applyRefresh(json);
        } catch (const TError& e) {
            state->done(LiveRefreshError(e.message()));
            return;
        }
        state->done(QString());
    });
}
