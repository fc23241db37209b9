#pragma once

#include "document/calverdinedocument.h"
#include "document/support/recordingpagechannel.h"
#include "document/support/snapshotbuilder.h"
#include "operation/operationformdata.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// A page channel that lets a test react to what the model sends (a click that opens a box
// or starts a navigation, as the page would).
class TReactingPageChannel : public TRecordingPageChannel {
public:
    void post(const TPageOperation& operation) override
    {
        TRecordingPageChannel::post(operation);
        if (onPost)
            onPost(operation);
    }
    int clicks() const
    {
        int n = 0;
        for (const auto* list : { &queued, &sent })
            for (const TPageOperation& op : *list)
                n += op.kind == TPageOperation::Click ? 1 : 0;
        return n;
    }
    std::function<void(const TPageOperation&)> onPost;

    // Refreshes answered only when the test says (a page that has not answered yet).
    void refreshValues(RefreshCallback callback) override
    {
        if (!holdRefreshes) {
            TRecordingPageChannel::refreshValues(std::move(callback));
            return;
        }
        ++refreshes;
        heldRefreshes.push_back(std::move(callback));
    }
    bool holdRefreshes = false;
    std::vector<RefreshCallback> heldRefreshes;
};

// A page at http://localhost/<screen>.html (screen ID "localhost_<screen>") with a form
// "form1" holding a submit button "go" (key "form1.go", caption "Go (form1.go)") and an
// anchor to "next.html" (caption "Next (next.html)").
inline std::unique_ptr<TCalverdineDocument> BuildScreen(const QString& screen, TPageChannel* channel)
{
    TSnapshotBuilder b;
    const QString url = QStringLiteral("http://localhost/") + screen + QStringLiteral(".html");
    auto& top = b.document(url);
    const int form = top.form("form1", "/post");
    top.input(form, "text", "user", "admin");
    top.input(form, "submit", "go", "Go");
    top.anchor("next.html", "Next");
    auto model = std::make_unique<TCalverdineDocument>(url);
    model->Parse(b.build(channel), TScreenIDSettings());
    return model;
}

// Form data entry points that record their calls and answer as the test says; a compare
// answers at once unless `holdCompare` keeps the answer for later.
class TFakeOperationFormData : public TOperationFormData {
public:
    bool InputData(const QString& screenId, int dataId) override
    {
        calls << QStringLiteral("input %1 %2").arg(screenId).arg(dataId);
        return true;
    }
    void CompareForm(int dataId, std::function<void(bool)> done) override
    {
        calls << QStringLiteral("compare %1").arg(dataId);
        if (holdCompare)
            held = std::move(done);
        else
            done(compareResult);
    }

    QStringList calls;
    bool compareResult = true;
    bool holdCompare = false;
    std::function<void(bool)> held;
};
