#pragma once

#include "document/pagechannel.h"

#include <vector>

// A page channel that records what the model sends and answers refreshes from a script.
class TRecordingPageChannel : public TPageChannel {
public:
    void post(const TPageOperation& operation) override { queued.push_back(operation); }
    void flush() override
    {
        ++flushes;
        sent.insert(sent.end(), queued.begin(), queued.end());
        queued.clear();
    }
    void refreshValues(RefreshCallback callback) override
    {
        ++refreshes;
        callback(refreshAnswer, refreshError);
    }
    void evaluate(int documentHandle, const QString& code, EvalCallback callback) override
    {
        evaluations.push_back({ documentHandle, code });
        callback(evalAnswer, evalError);
    }

    void runScript(int documentHandle, ScriptRequest request, const QString& text, ScriptCallback callback) override
    {
        scriptRequests.push_back({ documentHandle, request, text });
        if (holdScriptAnswers)
            heldScriptAnswers.push_back(std::move(callback));
        else
            callback(scriptAnswer);
    }

    struct ScriptCall {
        int documentHandle;
        ScriptRequest request;
        QString text;
    };
    std::vector<ScriptCall> scriptRequests;
    ScriptAnswer scriptAnswer;
    bool holdScriptAnswers = false;
    std::vector<ScriptCallback> heldScriptAnswers;

    std::vector<TPageOperation> queued;
    std::vector<TPageOperation> sent;
    int flushes = 0;
    int refreshes = 0;
    QByteArray refreshAnswer;
    QString refreshError;
    std::vector<std::pair<int, QString>> evaluations;
    QString evalAnswer;
    QString evalError;
};
