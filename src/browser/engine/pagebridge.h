#pragma once

#include <QObject>
#include <QString>

// The object the top document's event relay talks to through the web channel.
class TPageBridge final : public QObject {
    Q_OBJECT
public:
    explicit TPageBridge(QObject* parent = nullptr) : QObject(parent) {}

    // One event of a document's sink, as JSON: {"k": kind, "doc": handle, "el": handle, "text": ...}.
    Q_INVOKABLE void documentEvent(const QString& json) { Q_EMIT documentEventReceived(json); }
    // The answer of a snapshot that waited for the browser's cache.
    Q_INVOKABLE void snapshotReady(int token, const QString& text) { Q_EMIT snapshotReceived(token, text); }

Q_SIGNALS:
    void documentEventReceived(const QString& json);
    void snapshotReceived(int token, const QString& text);
};
