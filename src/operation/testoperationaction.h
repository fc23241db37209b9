#pragma once

#include "core/eventbus.h"

#include <QMutex>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <vector>

class TCommandAbstract;
class TCommandAutoOperation;
class TOperationList;

// Replays one operation, after the chain of operations it names as preconditions, on the
// current tab: steps are taken on each tick of the timer and on each parsed document;
// message boxes are answered inside the step that opened them; the screen is checked
// before every command and after the last one; every step goes to the operation log.
// It listens on the event bus while it is the last started run.
class TTestOperationAction final : public TActionCalverdine {
    Q_OBJECT
public:
    // Error codes of a run.
    enum Code : int {
        WrongScreen = 1,
        WrongFinishedScreen = 2,
        BoxNotShown = 3,
        BoxOpenedBeforeCommand = 4,
        BoxTypeBeforeCommand = 5,
        BoxHandledWithoutCommand = 6,
        BoxTypeHandled = 7,
        BoxNotAnswered = 8,
        ValuesDiffer = 21,
    };
    static QString CodeMessage(int code);
    // How long a click may wait for the page to answer after it (a page busy in a script,
    // a page that went away without starting a navigation).
    static constexpr int kClickAnswerMs = 10000;
    // How long a started navigation may take to give a parsed page; then the tab stops
    // loading and the step goes on, so the screen check tells what is shown.
    static constexpr int kNavigationTimeoutMs = 60000;

    // Builds the chain from the stored operations; the operations stay owned by the list,
    // which must not change while the run lasts.
    TTestOperationAction(TCommandAutoOperation* operation, const TOperationList& operations, int intervalMs,
                         QObject* parent = nullptr);
    ~TTestOperationAction() override;

    // Writes the loop (or missing precondition) line and ends the run, or starts the
    // chain's first operation.
    void Start();
    // One step: performs the next command, or checks the finished screen and goes on to
    // the next operation of the chain.
    void Step();
    // Asks the run to end at its next step and stops the current tab's loading.
    void Cancel();

    // Whether the run has ended (also when it never started).
    bool IsOver() const { return m_over; }
    bool InProgress() const { return !m_over; }

    TCommandAutoOperation* Operation = nullptr;
    std::vector<TCommandAutoOperation*> Chain;
    int ChainIndex = 0;
    TCommandAutoOperation* Current = nullptr;
    int CommandIndex = 0;
    bool ChainValid = true;
    QString LoopName;
    // The precondition number that names no stored operation (0: none).
    int MissingID = 0;
    bool CancelRequested = false;
    bool Finished = false;
    bool Cancelled = false;
    bool IsLast = false;
    int ResultCode = 0;

    void setNavigationTimeout(int ms) { m_navigationBound.setInterval(std::max(1, ms)); }
    void setClickAnswerTimeout(int ms) { m_clickBound.setInterval(std::max(1, ms)); }
    QTimer& timer() { return m_timer; }
    bool busy() const { return m_busy; }

Q_SIGNALS:
    // The run is over: the last operation ended, one failed, it was cancelled, or its
    // chain could not be built.
    void runEnded();
    // One operation of the chain ended, with ResultCode and Cancelled telling how.
    void operationEnded(TCommandAutoOperation* operation);

private:
    void buildChain(const TOperationList& operations);
    void startOperation(int index);
    // The rest of a step once the command has finished (at once, or when a comparison
    // answered).
    void afterCommand(TCommandAbstract* command, int serial);
    // The command runs until afterCommand; a click also ends when a navigation begins.
    void beginCommand(TCommandAbstract* command);
    void navigationStarted();
    void navigationTimedOut();
    void checkFinished();
    void fail(int code, const QString& line);
    void reportEnd();
    void endRun();
    QString currentScreenId() const;
    int currentTabId() const;
    bool commandRemains() const;
    void timerOn();
    void timerOff() { m_timer.stop(); }
    void releaseStep();

    void handleBeforeNavigate(int tabId);
    void handleDocumentParseCompleted(int tabId);
    void handlePopupOpen(int tabId);
    void handlePopupOpened(int tabId);

    QTimer m_timer;
    QMutex m_lock;
    bool m_busy = false;
    bool m_over = false;
    // A navigation of the current tab has started and its document is not parsed yet.
    bool m_navigating = false;
    // The last command has run; the finished screen is checked once its navigation ends.
    bool m_checkPending = false;
    // A command is running (a comparison waiting for the page's values, a click waiting
    // for the page's answer); the serial tells a late answer from the current one.
    bool m_commandRunning = false;
    TCommandAbstract* m_runningCommand = nullptr;
    int m_commandSerial = 0;
    QTimer m_clickBound;
    QTimer m_navigationBound;
};
