#pragma once

#include "document/htmldocument.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TPageChannel;

namespace Internal {
class TSnapshotDocument;
class TSnapshotElement;
struct TElementStore;
}

// The documents of one loaded page, built in memory from the JSON text of the page-side
// snapshot script (docs/snapshot-format.md). Reads come from memory; writes are mirrored
// here and queued on the page channel, which sends them to the page at flush().
class TPageSnapshot {
public:
    // How far the reading of a big text has come, in percent; called on the reading thread.
    using Progress = std::function<void(int percent)>;

    // Builds the snapshot from the JSON text. Raises TError with a message, and builds
    // nothing, when the text is not valid JSON or breaks the format. The channel is not
    // owned; none means writes stay in memory. Touches nothing outside the new snapshot, so
    // it may run on any thread (the channel is then best set afterwards, on its own thread).
    static std::shared_ptr<TPageSnapshot> fromJson(const QByteArray& json, TPageChannel* channel = nullptr,
                                                   const Progress& progress = {});

    ~TPageSnapshot();
    TPageSnapshot(const TPageSnapshot&) = delete;
    TPageSnapshot& operator=(const TPageSnapshot&) = delete;

    THtmlDocument* topDocument() const;
    int documentCount() const { return int(m_documents.size()); }
    THtmlDocument* document(int handle) const;
    // The element with this handle, or none.
    THtmlElement* element(int handle) const;
    int elementCount() const;

    TPageChannel* channel() const { return m_channel; }
    // The channel goes away before the snapshot (tab closed): later writes stay in memory.
    void setChannel(TPageChannel* channel) { m_channel = channel; }

    // Sends the queued writes to the page in one round trip.
    void flush();

    // Takes the live values of the refresh JSON (docs/snapshot-format.md) into the
    // snapshot. Raises TError and changes nothing when the text is malformed.
    void applyRefresh(const QByteArray& json);

private:
    friend class Internal::TSnapshotElement;
    friend class Internal::TSnapshotDocument;
    class TLoader;
    TPageSnapshot();

    // Keeps the other radio buttons of a group unchecked, as the page does.
    void uncheckRadioGroup(Internal::TSnapshotElement* checkedRadio);

    std::vector<std::unique_ptr<Internal::TSnapshotDocument>> m_documents;
    std::unique_ptr<Internal::TElementStore> m_elements; // the elements, in blocks
    QHash<int, Internal::TSnapshotElement*> m_byHandle;
    QHash<QString, QList<Internal::TSnapshotElement*>> m_radioGroups; // built on first use
    TPageChannel* m_channel = nullptr;
};
