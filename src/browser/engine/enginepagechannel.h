#pragma once

#include "browser/browsercontrol.h"
#include "document/pagechannel.h"

#include <QHash>
#include <QJsonArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>

#include <functional>

class QWebEnginePage;
class TPageBridge;

// The live page channel of one tab on the engine: every call is one runJavaScript in the
// isolated world of the top document (evaluation runs in the page's own world), and
// counts as one round trip.
class TEnginePageChannel final : public QObject, public TPageChannel {
    Q_OBJECT
public:
    static constexpr int kAnswerTimeoutMs = 30000;

    TEnginePageChannel(QWebEnginePage* page, TPageBridge* bridge, QObject* parent = nullptr);
    ~TEnginePageChannel() override;

    // TPageChannel
    void post(const TPageOperation& operation) override;
    void flush() override;
    void refreshValues(RefreshCallback callback) override;
    void evaluate(int documentHandle, const QString& code, EvalCallback callback) override;
    void runScript(int documentHandle, ScriptRequest request, const QString& text, ScriptCallback callback) override;

    void takeSnapshot(const QStringList& innerTextIds, TBrowserControl::SnapshotCallback callback);
    void appendText(int elementHandle, const QString& text, std::function<void(bool)> done);

    // Calls made to the page since the channel was created.
    int roundTrips() const { return m_roundTrips; }
    // The answer of the last snapshot: whether the top document is HTML.
    bool lastSnapshotWasHtml() const { return m_html; }

    // The isolated world of the tool's own page-side code.
    static quint32 world();
    // The text of a page-side script of the tool (":/calverdine/<name>").
    static QString scriptSource(const QString& name);
    // The operations as the page-side apply() reads them.
    static QJsonArray operationsJson(const QList<TPageOperation>& operations);

Q_SIGNALS:
    void roundTripMade();

private:
    using Answer = std::function<void(const QVariant& result, const QString& error)>;
    // Runs the expression after the library, in the isolated world (or the page's world).
    void call(const QString& expression, bool pageWorld, Answer answer);
    // The JavaScript list of frame indexes from the top window to the document, or empty.
    QString documentPathText(int documentHandle) const;
    void handleSnapshotText(int token, const QString& text);
    void deliverSnapshot(const TBrowserControl::SnapshotResult& result);

    QPointer<QWebEnginePage> m_page;
    QList<TPageOperation> m_pending;
    bool m_flushScheduled = false;
    int m_roundTrips = 0;
    int m_snapshotToken = 0;
    TBrowserControl::SnapshotCallback m_snapshotCallback;
    QHash<int, QList<int>> m_documentPaths;
    bool m_html = true;
};
