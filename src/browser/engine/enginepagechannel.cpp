#include "browser/engine/enginepagechannel.h"

#include "browser/engine/pagebridge.h"
#include "core/log.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <memory>

namespace {

QString jsonLiteral(const QJsonValue& value)
{
    // A JSON text is a JavaScript expression; wrapped in an array so scalars serialise too.
    const QByteArray array = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString library()
{
    static const QString source = TEnginePageChannel::scriptSource(QStringLiteral("snapshot.js"));
    return source;
}

}

TEnginePageChannel::TEnginePageChannel(QWebEnginePage* page, TPageBridge* bridge, QObject* parent)
    : QObject(parent), m_page(page)
{
    if (bridge)
        connect(bridge, &TPageBridge::snapshotReceived, this, &TEnginePageChannel::handleSnapshotText);
}

TEnginePageChannel::~TEnginePageChannel() = default;

quint32 TEnginePageChannel::world()
{
    return QWebEngineScript::ApplicationWorld;
}

QString TEnginePageChannel::scriptSource(const QString& name)
{
    QFile file(QStringLiteral(":/calverdine/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QJsonArray TEnginePageChannel::operationsJson(const QList<TPageOperation>& operations)
{
    QJsonArray array;
    for (const TPageOperation& op : operations) {
        QJsonObject o;
        o.insert(QStringLiteral("h"), op.handle);
        switch (op.kind) {
        case TPageOperation::SetValue:
            o.insert(QStringLiteral("op"), QStringLiteral("value"));
            o.insert(QStringLiteral("v"), op.text);
            break;
        case TPageOperation::SetChecked:
            o.insert(QStringLiteral("op"), QStringLiteral("checked"));
            o.insert(QStringLiteral("v"), op.flag);
            break;
        case TPageOperation::SetSelected: {
            QJsonArray indexes;
            for (int i : op.indexes)
                indexes.append(i);
            o.insert(QStringLiteral("op"), QStringLiteral("selected"));
            o.insert(QStringLiteral("v"), indexes);
            break;
        }
        case TPageOperation::Click:
            o.insert(QStringLiteral("op"), QStringLiteral("click"));
            break;
        case TPageOperation::Submit:
            o.insert(QStringLiteral("op"), QStringLiteral("submit"));
            break;
        case TPageOperation::Reset:
            o.insert(QStringLiteral("op"), QStringLiteral("reset"));
            break;
        }
        array.append(o);
    }
    return array;
}

void TEnginePageChannel::call(const QString& expression, bool pageWorld, Answer answer)
{
    if (!m_page) {
        answer(QVariant(), QStringLiteral("the page is gone"));
        return;
    }
    ++m_roundTrips;
    Q_EMIT roundTripMade();
    // The answer comes once: from the page, or from the timer when the page keeps silent.
    auto pending = std::make_shared<Answer>(std::move(answer));
    auto timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [pending, timer] {
        timer->deleteLater();
        if (Answer a = std::exchange(*pending, nullptr))
            a(QVariant(), QStringLiteral("the page did not answer within %1 seconds").arg(kAnswerTimeoutMs / 1000));
    });
    timer->start(kAnswerTimeoutMs);
    QPointer<TEnginePageChannel> self(this);
    QPointer<QTimer> guardTimer(timer);
    const QString script = pageWorld ? expression : library() + QStringLiteral(";\n") + expression;
    m_page->runJavaScript(script, pageWorld ? quint32(QWebEngineScript::MainWorld) : world(),
                          [self, pending, guardTimer](const QVariant& result) {
                              if (!self)
                                  return;
                              if (guardTimer)
                                  guardTimer->deleteLater();
                              if (Answer a = std::exchange(*pending, nullptr))
                                  a(result, QString());
                          });
}

void TEnginePageChannel::post(const TPageOperation& operation)
{
    m_pending.append(operation);
    if (m_flushScheduled)
        return;
    m_flushScheduled = true;
    // Writes that nobody flushes go to the page when the current turn of the event loop ends.
    QTimer::singleShot(0, this, [this] {
        if (m_flushScheduled)
            flush();
    });
}

void TEnginePageChannel::flush()
{
    m_flushScheduled = false;
    if (m_pending.isEmpty())
        return;
    const QList<TPageOperation> operations = std::exchange(m_pending, {});
    const QString json = QString::fromUtf8(QJsonDocument(operationsJson(operations)).toJson(QJsonDocument::Compact));
    call(QStringLiteral("window.__calverdine.apply(") + json + QLatin1Char(',') + QString::number(m_snapshotToken)
             + QLatin1Char(')'),
         false,
         [](const QVariant& result, const QString& error) {
             if (!error.isEmpty()) {
                 LogWarn(QStringLiteral("page write warning:") + error);
                 return;
             }
             const QJsonObject answer = QJsonDocument::fromJson(result.toString().toUtf8()).object();
             const int missing = answer.value(QStringLiteral("missing")).toInt();
             const QJsonArray errors = answer.value(QStringLiteral("errors")).toArray();
             if (missing > 0)
                 LogWarn(QStringLiteral("page write warning:%1 elements are no longer in the page").arg(missing));
             for (const QJsonValue& e : errors)
                 LogWarn(QStringLiteral("page write warning:") + e.toString());
         });
}

void TEnginePageChannel::refreshValues(RefreshCallback callback)
{
    // Queued writes go first, so the values read back include them.
    flush();
    call(QStringLiteral("window.__calverdine.refresh()"), false,
         [callback = std::move(callback)](const QVariant& result, const QString& error) {
             if (!error.isEmpty())
                 callback(QByteArray(), error);
             else if (result.typeId() != QMetaType::QString)
                 callback(QByteArray(), QStringLiteral("the page gave no values"));
             else
                 callback(result.toString().toUtf8(), QString());
         });
}

void TEnginePageChannel::evaluate(int documentHandle, const QString& code, EvalCallback callback)
{
    if (!m_documentPaths.contains(documentHandle)) {
        QTimer::singleShot(0, this, [callback = std::move(callback), documentHandle] {
            callback(QString(), QStringLiteral("no document %1 in the page").arg(documentHandle));
        });
        return;
    }
    QJsonArray path;
    for (int i : m_documentPaths.value(documentHandle))
        path.append(i);
    const QString pathText = QString::fromUtf8(QJsonDocument(path).toJson(QJsonDocument::Compact));
    // Runs in the tool's own world of the frame's window, in its global scope: a page that
    // replaces eval, JSON or the selection and find functions changes nothing here.
    const QString script = QStringLiteral(
        "(function(){var w=window,p=%1;try{for(var i=0;i<p.length;i++){w=w[p[i]];"
        "if(!w)throw new Error('the frame is gone');}var r=w.eval(%2),s;"
        "try{s=JSON.stringify(r===undefined?null:r);}catch(e){}"
        "if(s===undefined)s=JSON.stringify(String(r));return JSON.stringify({ok:true,v:s});}"
        "catch(e){return JSON.stringify({ok:false,e:String(e&&e.message?e.message:e)});}})()")
                               .arg(pathText, jsonLiteral(code));
    call(script, false, [callback = std::move(callback)](const QVariant& result, const QString& error) {
        if (!error.isEmpty()) {
            callback(QString(), error);
            return;
        }
        const QJsonObject answer = QJsonDocument::fromJson(result.toString().toUtf8()).object();
        if (answer.isEmpty())
            callback(QString(), QStringLiteral("the page gave no answer"));
        else if (answer.value(QStringLiteral("ok")).toBool())
            callback(answer.value(QStringLiteral("v")).toString(), QString());
        else
            callback(QString(), answer.value(QStringLiteral("e")).toString());
    });
}

QString TEnginePageChannel::documentPathText(int documentHandle) const
{
    if (!m_documentPaths.contains(documentHandle))
        return QString();
    QJsonArray path;
    for (int i : m_documentPaths.value(documentHandle))
        path.append(i);
    return QString::fromUtf8(QJsonDocument(path).toJson(QJsonDocument::Compact));
}

void TEnginePageChannel::runScript(int documentHandle, ScriptRequest request, const QString& text, ScriptCallback callback)
{
    auto fail = [](const QString& message) {
        ScriptAnswer answer;
        answer.error = message;
        return answer;
    };
    const QString pathText = documentPathText(documentHandle);
    if (pathText.isEmpty()) {
        QTimer::singleShot(0, this, [callback = std::move(callback), answer = fail(QStringLiteral("no document %1 in the page").arg(documentHandle))] {
            callback(answer);
        });
        return;
    }
    const char* requestName = request == ScriptRequest::Evaluate       ? "eval"
                              : request == ScriptRequest::ReadVariable ? "read"
                                                                       : "source";
    // Only the frame walk and the call of the entry point run outside the tool's closure;
    // neither reads anything a page can replace (frames are indexed properties of windows,
    // the entry point is a frozen, non-configurable property).
    const QString script = QStringLiteral(
        "(function(){var w=window,p=%1,f;try{for(var i=0;i<p.length;i++){w=w[p[i]];"
        "if(!w)return [false,'','','the frame is gone'];}f=w.__calverdineScripts;}"
        "catch(e){return [false,'','','the frame cannot be reached'];}"
        "if(typeof f!=='function')return [false,'','','the document has no script access'];"
        "return f('%2',%3);})()")
                               .arg(pathText, QLatin1String(requestName), jsonLiteral(text));
    call(script, true, [callback = std::move(callback), fail](const QVariant& result, const QString& error) {
        if (!error.isEmpty()) {
            callback(fail(error));
            return;
        }
        const QVariantList list = result.toList();
        if (list.size() != 4) {
            callback(fail(QStringLiteral("the page gave no answer")));
            return;
        }
        ScriptAnswer answer;
        answer.ok = list.at(0).toBool();
        answer.kind = list.at(1).toString();
        answer.text = list.at(2).toString();
        answer.error = list.at(3).toString();
        if (!answer.ok && answer.error.isEmpty())
            answer.error = QStringLiteral("the script failed");
        callback(answer);
    });
}

void TEnginePageChannel::takeSnapshot(const QStringList& innerTextIds, TBrowserControl::SnapshotCallback callback)
{
    // Writes still queued belong to the elements of the snapshot before this one.
    flush();
    const int token = ++m_snapshotToken;
    m_snapshotCallback = std::move(callback);
    QJsonObject args;
    args.insert(QStringLiteral("innerTextIds"), QJsonArray::fromStringList(innerTextIds));
    const QString expression = QStringLiteral("window.__calverdine.snapshot(") + jsonLiteral(args) + QLatin1Char(',')
                               + QString::number(token) + QLatin1Char(')');
    QPointer<TEnginePageChannel> self(this);
    call(expression, false, [self, token](const QVariant& result, const QString& error) {
        if (!self || token != self->m_snapshotToken)
            return;
        if (!error.isEmpty()) {
            TBrowserControl::SnapshotResult failed;
            failed.error = error;
            self->deliverSnapshot(failed);
            return;
        }
        self->handleSnapshotText(token, result.toString());
    });
}

void TEnginePageChannel::handleSnapshotText(int token, const QString& text)
{
    if (token != m_snapshotToken || !m_snapshotCallback)
        return;
    TBrowserControl::SnapshotResult result;
    if (text == QLatin1String("P"))
        return; // the page answers through the bridge once the cache was read
    if (text == QLatin1String("N")) {
        result.html = false;
        m_documentPaths.clear();
    } else if (text.startsWith(QLatin1Char('H'))) {
        const int newline = text.indexOf(QLatin1Char('\n'));
        // Views, not copies: the answer of a big page is tens of megabytes.
        const QJsonArray paths = QJsonDocument::fromJson(QStringView(text).mid(1, newline - 1).toUtf8()).array();
        m_documentPaths.clear();
        for (int i = 0; i < paths.size(); ++i) {
            QList<int> path;
            for (const QJsonValue& step : paths[i].toArray())
                path.append(step.toInt());
            m_documentPaths.insert(i, path);
        }
        result.json = QStringView(text).mid(newline + 1).toUtf8();
    } else {
        result.error = QStringLiteral("the page gave no snapshot");
    }
    deliverSnapshot(result);
}

void TEnginePageChannel::deliverSnapshot(const TBrowserControl::SnapshotResult& result)
{
    if (result.error.isEmpty())
        m_html = result.html;
    if (TBrowserControl::SnapshotCallback callback = std::exchange(m_snapshotCallback, nullptr))
        callback(result);
}

void TEnginePageChannel::appendText(int elementHandle, const QString& text, std::function<void(bool)> done)
{
    call(QStringLiteral("window.__calverdine.appendText(%1,%2)").arg(elementHandle).arg(jsonLiteral(text)), false,
         [done = std::move(done)](const QVariant& result, const QString& error) {
             done(error.isEmpty() && result.toBool());
         });
}
