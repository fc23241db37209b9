#include "fakebrowser.h"

void TFakeBrowser::answerSnapshot(const QString& url, const QByteArray& elements)
{
    if (snapshots.empty())
        return;
    SnapshotCallback callback = std::move(snapshots.front());
    snapshots.erase(snapshots.begin());
    SnapshotResult result;
    result.json = "{\"format\":1,\"documents\":[{\"id\":0,\"url\":\"" + (url.isEmpty() ? location : url).toUtf8()
                  + "\",\"title\":\"Page\",\"readyState\":\"complete\",\"frames\":[],\"body\":null,\"elements\":"
                  + elements + ",\"forms\":[],\"scripts\":[],\"ids\":{},\"scriptTexts\":{}}]}";
    callback(result);
}

void TFakeBrowser::failSnapshot(const QString& error)
{
    if (snapshots.empty())
        return;
    SnapshotCallback callback = std::move(snapshots.front());
    snapshots.erase(snapshots.begin());
    SnapshotResult result;
    result.error = error;
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
