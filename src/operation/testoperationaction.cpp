#include "operation/testoperationaction.h"
#include "operation/commandautooperation.h"
#include "operation/operationcommands.h"
#include "operation/operationlist.h"

#include "core/popupinfo.h"
#include "core/appcontext.h"
#include "core/log.h"
#include "core/tabaccess.h"
#include "document/calverdinedocument.h"

#include <QMutexLocker>
#include <QPointer>
#include <QSet>

#include <algorithm>

namespace {

const QString kOperationName = QStringLiteral("自動操作名");
const QString kCommand = QStringLiteral("操作定義");
const QString kTargetScreen = QStringLiteral("操作する画面ID");
const QString kFinishedScreen = QStringLiteral("操作後の画面ＩＤ");

bool sameScreen(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}

QString TTestOperationAction::CodeMessage(int code)
{
    switch (code) {
    case WrongScreen: return QStringLiteral("操作する画面 ID が表示されていません");
    case WrongFinishedScreen: return QStringLiteral("操作後の画面 ID が表示されていません");
    case BoxNotShown: return QStringLiteral("メッセージボックスが表示されていません");
    case BoxOpenedBeforeCommand: return QStringLiteral("メッセージボックスが表示されました");
    case BoxTypeBeforeCommand: return QStringLiteral("メッセージボックスの種別が違います");
    case BoxHandledWithoutCommand: return QStringLiteral("メッセージボックスが表示されました");
    case BoxTypeHandled: return QStringLiteral("メッセージボックスの種類が違います");
    case BoxNotAnswered: return QStringLiteral("メッセージボックスの操作が出来ませんでした");
    case ValuesDiffer: return QStringLiteral("値が一致しません");
    default: return QString();
    }
}

TTestOperationAction::TTestOperationAction(TCommandAutoOperation* operation, const TOperationList& operations,
                                           int intervalMs, QObject* parent)
    : TActionCalverdine(parent)
    , Operation(operation)
{
    m_timer.setInterval(std::max(0, intervalMs));
    connect(&m_timer, &QTimer::timeout, this, &TTestOperationAction::Step);
    m_clickBound.setSingleShot(true);
    m_clickBound.setInterval(kClickAnswerMs);
    connect(&m_clickBound, &QTimer::timeout, this, [this] {
        if (!m_commandRunning)
            return;
        LogWarn(QStringLiteral("operation: the page did not answer after the click"));
        afterCommand(m_runningCommand, m_commandSerial);
    });
    m_navigationBound.setSingleShot(true);
    m_navigationBound.setInterval(kNavigationTimeoutMs);
    connect(&m_navigationBound, &QTimer::timeout, this, &TTestOperationAction::navigationTimedOut);
    handle(TEvent::BrowserBeforeNavigate, &TTestOperationAction::handleBeforeNavigate);
    handle(TEvent::DocumentParseCompleted, &TTestOperationAction::handleDocumentParseCompleted);
    handle(TEvent::PopupOpen, &TTestOperationAction::handlePopupOpen);
    handle(TEvent::PopupOpened, &TTestOperationAction::handlePopupOpened);
    buildChain(operations);
}

TTestOperationAction::~TTestOperationAction() = default;

// Deepest precondition first, the started operation last. A number met twice is a loop and
// names the operation met twice; a number that names no stored operation ends the search.
void TTestOperationAction::buildChain(const TOperationList& operations)
{
    std::vector<TCommandAutoOperation*> found { Operation };
    QSet<QString> met;
    TCommandAutoOperation* from = Operation;
    while (from && from->OtherAutoOperationID > 0) {
        const QString key = QString::number(from->OtherAutoOperationID);
        TCommandAutoOperation* next = operations.find(key);
        if (!next) {
            ChainValid = false;
            MissingID = from->OtherAutoOperationID;
            LoopName = from->Name;
            break;
        }
        if (met.contains(key)) {
            ChainValid = false;
            LoopName = next->Name;
            break;
        }
        met.insert(key);
        found.push_back(next);
        from = next;
    }
    Chain.assign(found.rbegin(), found.rend());
}

void TTestOperationAction::Start()
{
    if (!ChainValid) {
        if (MissingID != 0)
            WriteLogLine(LoopName + QStringLiteral(" の事前条件の自動操作がありません: ") + QString::number(MissingID));
        else
            WriteLogLine(LoopName + QStringLiteral(" ") + QStringLiteral("が循環しています"));
        Finished = true;
        endRun();
        return;
    }
    startOperation(0);
}

void TTestOperationAction::startOperation(int index)
{
    ChainIndex = index;
    IsLast = index == int(Chain.size()) - 1;
    Current = Chain[size_t(index)];
    CommandIndex = 0;
    Finished = false;
    m_checkPending = false;
    timerOn();
    WriteLogLine(kOperationName + QStringLiteral(": ") + Current->Name + QStringLiteral(" 開始"));
    if (!Current->MoveAddress.isEmpty()) {
        WriteLogLine(QStringLiteral("移動するアドレス: ") + Current->MoveAddress);
        if (TTabRegistry* tabs = App().tabs) {
            // The first step waits for the page the address opens.
            navigationStarted();
            tabs->NavigateCurrentTab(Current->MoveAddress);
        }
    }
    WriteLogLine(kTargetScreen + QStringLiteral(": ") + Current->TargetScreenID);
}

void TTestOperationAction::Step()
{
    if (m_over || !Current)
        return;
    {
        QMutexLocker lock(&m_lock);
        if (m_busy)
            return;
        m_busy = true;
    }
    if (CancelRequested) {
        Finished = true;
        Cancelled = true;
        timerOff();
        reportEnd();
        return;
    }
    if (m_navigating) {
        // The page is changing: the parsed document takes the step.
        releaseStep();
        return;
    }
    if (m_checkPending || !commandRemains()) {
        checkFinished();
        return;
    }
    if (!sameScreen(currentScreenId(), Current->TargetScreenID)) {
        fail(WrongScreen, kTargetScreen + QStringLiteral(" NG: ") + currentScreenId());
        return;
    }
    TCommandAbstract* command = Current->at(CommandIndex++);
    if (dynamic_cast<TCommandClickPopup*>(command)) {
        fail(BoxNotShown, kCommand + QStringLiteral(" NG: ") + command->GetViewText());
        return;
    }
    WriteLogLine(kCommand + QStringLiteral(": ") + command->GetViewText() + QStringLiteral(" 開始"));
    beginCommand(command);
}

void TTestOperationAction::beginCommand(TCommandAbstract* command)
{
    m_commandRunning = true;
    m_runningCommand = command;
    const int serial = ++m_commandSerial;
    if (dynamic_cast<TCommandClickButton*>(command) || dynamic_cast<TCommandClickAnchor*>(command))
        m_clickBound.start();
    QPointer<TTestOperationAction> self(this);
    command->Execute([self, command, serial] {
        if (self)
            self->afterCommand(command, serial);
    });
}

void TTestOperationAction::afterCommand(TCommandAbstract* command, int serial)
{
    // Once per command: a click ended by its navigation ignores the page's late answer.
    if (!m_commandRunning || serial != m_commandSerial)
        return;
    m_commandRunning = false;
    m_runningCommand = nullptr;
    m_clickBound.stop();
    if (Finished || m_over)
        return; // a message box ended the operation while the command ran
    if (command->ErrorCode != 0) {
        fail(command->ErrorCode, kCommand + QStringLiteral(" NG: ") + command->GetViewText());
        return;
    }
    WriteLogLine(kCommand + QStringLiteral(": ") + command->GetViewText() + QStringLiteral(" 終了"));
    timerOn();
    if (commandRemains()) {
        releaseStep();
        return;
    }
    if (m_navigating) {
        // The last command opened another page: its screen is checked once it is parsed.
        m_checkPending = true;
        releaseStep();
        return;
    }
    checkFinished();
}

void TTestOperationAction::checkFinished()
{
    m_checkPending = false;
    Finished = true;
    timerOff();
    const QString screenId = currentScreenId();
    if (!Current->FinishedScreenID.isEmpty()) {
        WriteLogLine(kFinishedScreen + QStringLiteral(": ") + Current->FinishedScreenID);
        if (!sameScreen(screenId, Current->FinishedScreenID)) {
            ResultCode = WrongFinishedScreen;
            WriteLogLine(kFinishedScreen + QStringLiteral(" NG: ") + screenId);
            reportEnd();
            return;
        }
    }
    reportEnd();
    if (ChainIndex + 1 < int(Chain.size()))
        startOperation(ChainIndex + 1);
    releaseStep();
}

void TTestOperationAction::fail(int code, const QString& line)
{
    Finished = true;
    timerOff();
    ResultCode = code;
    WriteLogLine(line);
    reportEnd();
}

void TTestOperationAction::reportEnd()
{
    if (ResultCode > 0)
        WriteLogLine(QStringLiteral("ErrorCode: ") + QString::number(ResultCode) + QStringLiteral(" (")
                     + CodeMessage(ResultCode) + QStringLiteral(")"));
    else if (Finished && !Cancelled)
        WriteLogLine(kOperationName + QStringLiteral(": ") + Current->Name + QStringLiteral(" 終了"));
    else
        WriteLogLine(kOperationName + QStringLiteral(": ") + Current->Name + QStringLiteral(" 中止"));
    Q_EMIT operationEnded(Current);
    // A failed operation ends the run too: the operations after it do not start.
    if (IsLast || Cancelled || ResultCode > 0)
        endRun();
}

void TTestOperationAction::endRun()
{
    m_over = true;
    timerOff();
    m_clickBound.stop();
    m_navigationBound.stop();
    Q_EMIT runEnded();
}

void TTestOperationAction::Cancel()
{
    if (m_over)
        return;
    CancelRequested = true;
    m_navigating = false;
    m_navigationBound.stop();
    if (TTabRegistry* tabs = App().tabs) {
        if (TTabView* tab = tabs->CurrentTab())
            tab->StopLoading();
    }
    timerOn();
}

void TTestOperationAction::releaseStep()
{
    QMutexLocker lock(&m_lock);
    m_busy = false;
}

void TTestOperationAction::timerOn()
{
    if (!m_timer.isActive())
        m_timer.start();
}

bool TTestOperationAction::commandRemains() const
{
    return Current && CommandIndex < Current->count();
}

QString TTestOperationAction::currentScreenId() const
{
    TTabView* tab = CurrentTabView();
    TCalverdineDocument* document = tab ? tab->GetDocumentModel() : nullptr;
    return document ? document->ScreenID() : QString();
}

int TTestOperationAction::currentTabId() const
{
    TTabView* tab = CurrentTabView();
    return tab ? tab->TabId() : 0;
}

// ---- events ----

void TTestOperationAction::navigationStarted()
{
    m_navigating = true;
    m_navigationBound.start();
}

// The page never arrived (no answer, a download, an error without a page): the tab stops
// loading and the step goes on, so the screen check reports what the tab shows.
void TTestOperationAction::navigationTimedOut()
{
    if (m_over || !m_navigating)
        return;
    m_navigating = false;
    TTabView* tab = CurrentTabView();
    WriteLogLine(QStringLiteral("ページの読み込み NG: ") + (tab ? tab->GetRequestedUrl() : QString())
                 + QStringLiteral(" (%1 ms)").arg(m_navigationBound.interval()));
    if (tab)
        tab->StopLoading();
    timerOn();
    Step();
}

void TTestOperationAction::handleBeforeNavigate(int tabId)
{
    if (m_over || tabId != currentTabId())
        return;
    timerOff();
    navigationStarted();
    // A click that starts a navigation is done: its page may never answer.
    if (m_commandRunning && (dynamic_cast<TCommandClickButton*>(m_runningCommand)
                             || dynamic_cast<TCommandClickAnchor*>(m_runningCommand)))
        afterCommand(m_runningCommand, m_commandSerial);
}

void TTestOperationAction::handleDocumentParseCompleted(int tabId)
{
    if (tabId == currentTabId()) {
        m_navigating = false;
        m_navigationBound.stop();
    }
    if (!Finished || m_checkPending)
        Step();
}

void TTestOperationAction::handlePopupOpen(int tabId)
{
    if (m_over || Finished || !commandRemains() || tabId != currentTabId())
        return;
    TCommandAbstract* command = Current->at(CommandIndex);
    auto* popup = dynamic_cast<TCommandClickPopup*>(command);
    if (!popup) {
        fail(BoxOpenedBeforeCommand, kCommand + QStringLiteral(" NG: ") + command->GetViewText());
        return;
    }
    timerOff();
    TTabView* tab = App().tabs->CurrentTab();
    TPopupMessageInfo* info = tab ? tab->PopupInfo() : nullptr;
    if (!info || info->MessageType != popup->BoxType) {
        fail(BoxTypeBeforeCommand, kCommand + QStringLiteral(" NG: ") + command->GetViewText());
        return;
    }
    WriteLogLine(kCommand + QStringLiteral(": ") + command->GetViewText() + QStringLiteral(" 開始"));
    popup->PopupInfo = info;
    popup->Execute();
}

void TTestOperationAction::handlePopupOpened(int tabId)
{
    if (m_over || Finished || !commandRemains() || tabId != currentTabId())
        return;
    TCommandAbstract* command = Current->at(CommandIndex++);
    auto* popup = dynamic_cast<TCommandClickPopup*>(command);
    if (!popup) {
        fail(BoxHandledWithoutCommand, kCommand + QStringLiteral(" NG: ") + command->GetViewText());
        return;
    }
    TTabView* tab = App().tabs->CurrentTab();
    TPopupMessageInfo* info = tab ? tab->PopupInfo() : nullptr;
    popup->PopupInfo = nullptr;
    if (!info || info->MessageType != popup->BoxType) {
        fail(BoxTypeHandled, kCommand + QStringLiteral(" NG: ") + command->GetViewText());
        return;
    }
    if (!popup->CheckAnswered(*info)) {
        fail(BoxNotAnswered, kCommand + QStringLiteral(" NG: ") + command->GetViewText());
        return;
    }
    WriteLogLine(kCommand + QStringLiteral(": ") + command->GetViewText() + QStringLiteral(" 終了"));
    timerOn();
}
