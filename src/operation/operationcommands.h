#pragma once

#include "operation/commandabstract.h"

struct TPopupMessageInfo;

// Writes a saved form data set into the forms of the current tab.
class TCommandInputData final : public TCommandAbstract {
public:
    explicit TCommandInputData(int id = 0);

    QString GetViewText() const override { return Name + DataName; }
    void Execute(TCommandDone done = {}) override;
    std::unique_ptr<TCommandAbstract> Clone() const override;
    QString GetOperationType() const override;

    QString ScreenID;
    QString DataID; // decimal
    QString DataName;
};

// Answers the alert or confirm box that the current tab is about to show.
class TCommandClickPopup final : public TCommandAbstract {
public:
    explicit TCommandClickPopup(int id = 0) : TCommandAbstract(id) {}

    QString GetViewText() const override;
    // Fills in the answer of the box record handed over in PopupInfo.
    void Execute(TCommandDone done = {}) override;
    std::unique_ptr<TCommandAbstract> Clone() const override;
    QString GetOperationType() const override;

    // Whether the handled box was answered as this command asks.
    bool CheckAnswered(const TPopupMessageInfo& info) const;

    int BoxType = -1; // 48 alert, 33 confirm
    int AnswerCode = 0;
    int Button = -1; // 1 OK, 2 Cancel
    TPopupMessageInfo* PopupInfo = nullptr;
};

// Clicks an input button of the page shown for the owner's target screen.
class TCommandClickButton final : public TCommandAbstract {
public:
    explicit TCommandClickButton(int id = 0) : TCommandAbstract(id) {}

    QString GetViewText() const override;
    // A key that is no longer on the page clicks nothing and is no error. Otherwise done is
    // called once the page has answered twice after the click (its handlers, message boxes
    // and the start of a submission are over by then); a navigation may leave it uncalled.
    void Execute(TCommandDone done = {}) override;
    std::unique_ptr<TCommandAbstract> Clone() const override;
    QString GetOperationType() const override;

    QString ButtonKey;
};

// Clicks an anchor of the page shown for the owner's target screen.
class TCommandClickAnchor final : public TCommandAbstract {
public:
    explicit TCommandClickAnchor(int id = 0) : TCommandAbstract(id) {}

    QString GetViewText() const override;
    // As for a button.
    void Execute(TCommandDone done = {}) override;
    std::unique_ptr<TCommandAbstract> Clone() const override;
    QString GetOperationType() const override;

    QString AnchorKey;
};

// Compares the forms of the current tab with a saved form data set; differences leave
// ErrorCode 21.
class TCommandFormCompare final : public TCommandAbstract {
public:
    explicit TCommandFormCompare(int id = 0);

    QString GetViewText() const override { return Name + DataName; }
    void Execute(TCommandDone done = {}) override;
    std::unique_ptr<TCommandAbstract> Clone() const override;
    QString GetOperationType() const override;

    QString ScreenID;
    QString DataID; // decimal
    QString DataName;
};

class TTagInputButtonInfo;
class TTagAnchorInfo;

namespace operation {
// The button (or anchor) under the key in the first open tab, in tab order, whose
// document shows the screen; none when no tab shows it or the key is not there.
TTagInputButtonInfo* findButton(const QString& screenId, const QString& key);
TTagAnchorInfo* findAnchor(const QString& screenId, const QString& key);
// Whether an open tab shows the screen.
bool screenShown(const QString& screenId);
}
