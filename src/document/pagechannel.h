#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

// One live operation on an element of the loaded page, addressed by the element's handle
// from the snapshot (see docs/snapshot-format.md).
struct TPageOperation {
    enum Kind {
        SetValue,    // text: the new value of an input or text area
        SetChecked,  // flag: the new checked state of a check box or radio button
        SetSelected, // indexes: every option index of a selection list that is selected
        Click,       // the element's default action
        Submit,      // a form's submit()
        Reset,       // a form's reset()
    };
    Kind kind = SetValue;
    int handle = -1;
    QString text;
    bool flag = false;
    QList<int> indexes;
};

// The road from the document model to the live page. Owned by the engine adapter; a
// recording fake in tests. Round trips stay O(1) per user action:
// - operations are queued and go to the page together, in order, at flush() (the adapter
//   also flushes by itself when the current turn of the event loop ends);
// - a refresh reads every live value of the snapshot's elements in one call;
// - a write dispatches bubbling "input" and "change" events after setting the value.
// Callbacks are called later, on the user-interface thread, or not at all once the page
// is gone; callers guard what they capture.
class TPageChannel {
public:
    virtual ~TPageChannel() = default;

    virtual void post(const TPageOperation& operation) = 0;
    virtual void flush() = 0;

    // Answer of refreshValues: the refresh JSON of docs/snapshot-format.md, or an error.
    using RefreshCallback = std::function<void(const QByteArray& json, const QString& error)>;
    virtual void refreshValues(RefreshCallback callback) = 0;

    // Runs code in the global scope of one document of the snapshot (its document handle),
    // in the tool's own world of it, where the page's replaced globals do not reach; the
    // result is the value converted to JSON text, or an error message.
    using EvalCallback = std::function<void(const QString& jsonResult, const QString& error)>;
    virtual void evaluate(int documentHandle, const QString& code, EvalCallback callback) = 0;

    // What runScript does in the page's own world of one document, with the page's
    // built-ins as they were before the page's scripts ran:
    // - Evaluate: evaluates the text as code in the global scope;
    // - ReadVariable: reads the global named by the text (an identifier);
    // - FunctionSource: the source text of the global function named by the text.
    enum class ScriptRequest { Evaluate, ReadVariable, FunctionSource };
    // The value, described as plain data by the tool's own page-side code.
    struct ScriptAnswer {
        bool ok = false;
        // "undefined", "null", "string", "number", "boolean", "bigint", "symbol" or "object"
        // (functions too); "absent" when ReadVariable finds no such global.
        QString kind;
        QString text;  // a string's value, a primitive's text, an object's toString() text
        QString error; // the exception's message when not ok
    };
    using ScriptCallback = std::function<void(const ScriptAnswer& answer)>;
    // One round trip; the callback comes later, once, or not at all once the page is gone.
    virtual void runScript(int documentHandle, ScriptRequest request, const QString& text, ScriptCallback callback) = 0;
};
