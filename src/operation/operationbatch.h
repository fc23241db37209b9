#pragma once

#include <QByteArray>
#include <QHash>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <vector>

class TOperationList;
#include "operation/testoperationaction.h"

// How the run of one named operation (with its precondition chain) ended.
struct TOperationRunResult {
    QString key;  // decimal OperationID
    QString name; // OperationName
    bool passed = false;
    int resultCode = 0;
    bool cancelled = false;
    // Why it failed: the error code line, the loop or missing precondition line, or the
    // cancel line; empty when it passed.
    QString failure;
    // The operation log lines written while it ran, as the log page shows them.
    QStringList lines;
    qint64 elapsedMs = 0;
};

// Runs named operations one after another, each with its chain, through the same runner as
// the window: one runner at a time on the event bus, on the current tab. The operations
// stay owned by the list, which must not change while the batch lasts.
class TOperationBatch final : public QObject {
    Q_OBJECT
public:
    TOperationBatch(const TOperationList& operations, QStringList keys, int intervalMs, QObject* parent = nullptr);
    ~TOperationBatch() override;

    // How long a navigation may take before the runner stops waiting for it.
    void setNavigationTimeout(int ms) { m_navigationTimeoutMs = ms; }

    // Starts the first run; the others follow when each ends. An empty batch finishes at once
    // (later, from the event loop).
    void start();
    // Cancels the running operation; the batch finishes without starting the others.
    void cancel();

    const std::vector<TOperationRunResult>& results() const { return m_results; }
    bool allPassed() const;
    bool isFinished() const { return m_finished; }
    // The runner of the running operation, or none.
    TTestOperationAction* runner() const { return m_runner.data(); }

Q_SIGNALS:
    // One named operation ended; the tab still shows where it ended.
    void runFinished(const TOperationRunResult& result);
    void finished();

private:
    void startNext();
    void runEnded();
    void removeRunner();

    const TOperationList& m_operations;
    QStringList m_keys;
    int m_intervalMs = 0;
    int m_navigationTimeoutMs = 0;
    int m_next = 0;
    bool m_cancelled = false;
    bool m_finished = false;
    std::vector<TOperationRunResult> m_results;
    TOperationRunResult m_current;
    QElapsedTimer m_clock;
    QPointer<TTestOperationAction> m_runner;
    QMetaObject::Connection m_logConnection;
};

// The keys of the K-th of every N (K from 1 to N), in their order.
QStringList SelectShard(const QStringList& keys, int k, int n);
// Reads "K/N" with 1 <= K <= N; false for anything else.
bool ParseShard(const QString& text, int* k, int* n);

// A JUnit XML report of a batch: one testsuite named after the suite, one testcase per
// result with its time; a failed one holds a failure with the failure line as its message
// and the run's log lines as its text. A file saved for a result (key -> path) is named in
// its system-out as an attachment. Characters XML cannot carry are left out.
QByteArray JUnitReport(const QString& suiteName, const std::vector<TOperationRunResult>& results,
                       const QHash<QString, QString>& attachments = {});
