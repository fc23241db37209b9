#include "operation/operationcommands.h"
#include "operation/commandautooperation.h"
#include "operation/operationformdata.h"

#include "core/popupinfo.h"
#include "core/appcontext.h"
#include "core/log.h"
#include "core/tabaccess.h"
#include "document/calverdinedocument.h"
#include "document/pagechannel.h"
#include "document/pagesnapshot.h"
#include "document/tagtree.h"

namespace {

const QString kEllipsis = QStringLiteral(" \u2026 ");

QString ownerScreen(const TCommandAbstract& command)
{
    return command.Owner ? command.Owner->TargetScreenID : QString();
}

TCalverdineDocument* documentShowing(const QString& screenId)
{
    TTabRegistry* tabs = App().tabs;
    if (!tabs || screenId.isEmpty())
        return nullptr;
    for (int tabId : tabs->TabOrder()) {
        TTabView* tab = tabs->FindTab(tabId);
        TCalverdineDocument* document = tab ? tab->GetDocumentModel() : nullptr;
        if (document && document->ScreenID().compare(screenId, Qt::CaseInsensitive) == 0)
            return document;
    }
    return nullptr;
}

// A click goes to the page without an answer. The command is done once the page has
// answered two round trips sent after it: the first comes back when the click's own
// handlers have run, with any message box they opened; the second is taken up by the page
// only after the tasks those handlers left behind, among them the start of a form
// submission, so a navigation the click causes has begun by then. A click that navigates may
// leave the round trips unanswered; the runner ends the command when the navigation begins.
void roundTrips(TPageChannel* channel, int count, std::weak_ptr<void> alive, TCommandDone done)
{
    if (count <= 0) {
        if (done)
            done();
        return;
    }
    // The channel calls back only while it lives (it goes with its tab).
    channel->refreshValues([channel, count, alive = std::move(alive), done = std::move(done)](
                               const QByteArray&, const QString& error) mutable {
        if (alive.expired())
            return;
        // A page that failed to answer is not asked again.
        roundTrips(channel, error.isEmpty() ? count - 1 : 0, std::move(alive), std::move(done));
    });
}

void afterPageAnswered(TCalverdineDocument* document, std::weak_ptr<void> alive, TCommandDone done)
{
    TPageSnapshot* snapshot = document ? document->Snapshot() : nullptr;
    TPageChannel* channel = snapshot ? snapshot->channel() : nullptr;
    if (!channel) {
        if (done)
            done();
        return;
    }
    roundTrips(channel, 2, std::move(alive), std::move(done));
}

int dataNumber(const QString& text)
{
    bool ok = false;
    const int id = text.trimmed().toInt(&ok);
    return ok ? id : 0;
}

}

TTagInputButtonInfo* operation::findButton(const QString& screenId, const QString& key)
{
    TCalverdineDocument* document = documentShowing(screenId);
    return document ? document->Buttons().find(key) : nullptr;
}

bool operation::screenShown(const QString& screenId)
{
    return documentShowing(screenId) != nullptr;
}

TTagAnchorInfo* operation::findAnchor(const QString& screenId, const QString& key)
{
    TCalverdineDocument* document = documentShowing(screenId);
    return document ? document->Anchors().find(key) : nullptr;
}

// ---- input data ----

TCommandInputData::TCommandInputData(int id)
    : TCommandAbstract(id)
{
    Name = QStringLiteral("データ入力") + kEllipsis;
}

void TCommandInputData::Execute(TCommandDone done)
{
    const int dataId = dataNumber(DataID);
    if (dataId == 0 || !App().service<TOperationFormData>().InputData(ScreenID, dataId))
        LogWarn(QStringLiteral("operation: data not written: ") + DataID + QLatin1Char(',') + DataName);
    if (done)
        done();
}

std::unique_ptr<TCommandAbstract> TCommandInputData::Clone() const
{
    auto copy = std::make_unique<TCommandInputData>(ID);
    copyBaseTo(*copy);
    copy->ScreenID = ScreenID;
    copy->DataID = DataID;
    copy->DataName = DataName;
    return copy;
}

QString TCommandInputData::GetOperationType() const
{
    return QStringLiteral("0,") + DataID + QLatin1Char(',') + DataName;
}

// ---- message box ----

QString TCommandClickPopup::GetViewText() const
{
    QString text;
    if (BoxType == TPopupMessageInfo::kAlert)
        text = QStringLiteral("Alert");
    else if (BoxType == TPopupMessageInfo::kConfirm)
        text = QStringLiteral("Confirm");
    if (Button == 1)
        text += kEllipsis + QStringLiteral("OK ボタン");
    else if (Button == 2)
        text += kEllipsis + QStringLiteral("キャンセルボタン");
    return text;
}

void TCommandClickPopup::Execute(TCommandDone done)
{
    if (PopupInfo) {
        if (PopupInfo->MessageType == TPopupMessageInfo::kAlert) {
            PopupInfo->AnswerResult = AnswerCode;
        } else if (PopupInfo->MessageType == TPopupMessageInfo::kConfirm) {
            PopupInfo->AnswerResult = AnswerCode;
            PopupInfo->AnswerButton = Button;
        }
    }
    if (done)
        done();
}

bool TCommandClickPopup::CheckAnswered(const TPopupMessageInfo& info) const
{
    if (info.MessageType == TPopupMessageInfo::kAlert)
        return info.Result == AnswerCode;
    if (info.MessageType == TPopupMessageInfo::kConfirm)
        return info.Result == AnswerCode && info.AnswerButton == Button;
    return false;
}

std::unique_ptr<TCommandAbstract> TCommandClickPopup::Clone() const
{
    auto copy = std::make_unique<TCommandClickPopup>(ID);
    copyBaseTo(*copy);
    copy->BoxType = BoxType;
    copy->AnswerCode = AnswerCode;
    copy->Button = Button;
    return copy;
}

QString TCommandClickPopup::GetOperationType() const
{
    if (BoxType == TPopupMessageInfo::kAlert)
        return QStringLiteral("1,1");
    return QStringLiteral("1,2,") + QString::number(Button);
}

// ---- button ----

QString TCommandClickButton::GetViewText() const
{
    const TTagInputButtonInfo* button = operation::findButton(ownerScreen(*this), ButtonKey);
    return QStringLiteral("ボタンクリック") + kEllipsis + (button ? button->GetCaption() : ButtonKey);
}

void TCommandClickButton::Execute(TCommandDone done)
{
    TCalverdineDocument* document = documentShowing(ownerScreen(*this));
    TTagInputButtonInfo* button = document ? document->Buttons().find(ButtonKey) : nullptr;
    if (!button) {
        if (done)
            done();
        return;
    }
    button->Click();
    afterPageAnswered(document, lifetime(), std::move(done));
}

std::unique_ptr<TCommandAbstract> TCommandClickButton::Clone() const
{
    auto copy = std::make_unique<TCommandClickButton>(ID);
    copyBaseTo(*copy);
    copy->ButtonKey = ButtonKey;
    return copy;
}

QString TCommandClickButton::GetOperationType() const
{
    return QStringLiteral("2,") + ButtonKey;
}

// ---- anchor ----

QString TCommandClickAnchor::GetViewText() const
{
    const TTagAnchorInfo* anchor = operation::findAnchor(ownerScreen(*this), AnchorKey);
    return QStringLiteral("アンカークリック") + kEllipsis + (anchor ? anchor->GetCaption() : AnchorKey);
}

void TCommandClickAnchor::Execute(TCommandDone done)
{
    TCalverdineDocument* document = documentShowing(ownerScreen(*this));
    TTagAnchorInfo* anchor = document ? document->Anchors().find(AnchorKey) : nullptr;
    if (!anchor) {
        if (done)
            done();
        return;
    }
    anchor->Click();
    afterPageAnswered(document, lifetime(), std::move(done));
}

std::unique_ptr<TCommandAbstract> TCommandClickAnchor::Clone() const
{
    auto copy = std::make_unique<TCommandClickAnchor>(ID);
    copyBaseTo(*copy);
    copy->AnchorKey = AnchorKey;
    return copy;
}

QString TCommandClickAnchor::GetOperationType() const
{
    return QStringLiteral("3,") + AnchorKey;
}

// ---- compare ----

TCommandFormCompare::TCommandFormCompare(int id)
    : TCommandAbstract(id)
{
    Name = QStringLiteral("フォーム値比較") + kEllipsis;
}

void TCommandFormCompare::Execute(TCommandDone done)
{
    ErrorCode = 0;
    const int dataId = dataNumber(DataID);
    if (dataId == 0) {
        ErrorCode = kCompareError;
        if (done)
            done();
        return;
    }
    App().service<TOperationFormData>().CompareForm(dataId, [this, alive = lifetime(), done = std::move(done)](bool allEqual) {
        if (alive.expired())
            return;
        if (!allEqual)
            ErrorCode = kCompareError;
        if (done)
            done();
    });
}

std::unique_ptr<TCommandAbstract> TCommandFormCompare::Clone() const
{
    auto copy = std::make_unique<TCommandFormCompare>(ID);
    copyBaseTo(*copy);
    copy->ScreenID = ScreenID;
    copy->DataID = DataID;
    copy->DataName = DataName;
    return copy;
}

QString TCommandFormCompare::GetOperationType() const
{
    return QStringLiteral("4,") + DataID + QLatin1Char(',') + DataName;
}
