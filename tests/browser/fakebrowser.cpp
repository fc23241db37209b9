#include "fakebrowser.h"

void TFakeBrowser::answerSnapshot()
{
    SnapshotResult result;
    result.json = "{\"format\":1,\"documents\":[{\"id\":0,\"url\":\"" + location.toUtf8()
                  + "\",\"title\":\"Page\",\"readyState\":\"complete\",\"frames\":[],\"body\":null,\"elements\":[],"
                    "\"forms\":[],\"scripts\":[],\"ids\":{},\"scriptTexts\":{}}]}";
    answer(result);
}

void TFakeBrowser::failSnapshot(const QString& error)
{
    SnapshotResult result;
    result.error = error;
    answer(result);
}

void TFakeBrowser::answer(const SnapshotResult& result)
{
    if (snapshots.empty())
        return;
    SnapshotCallback callback = std::move(snapshots.front());
    snapshots.erase(snapshots.begin());
    callback(result);
}

void TFakeBrowser::completePage(const QString& top, const QStringList& frames)
{
    readyState = QStringLiteral("interactive");
    for (const QString& frame : frames)
        events->DocumentComplete(frame);
    readyState = QStringLiteral("complete");
    events->DocumentComplete(top);
}
