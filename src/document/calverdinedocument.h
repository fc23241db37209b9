#pragma once

#include "document/screenidparser.h"
#include "document/tagtree.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class THtmlDocument;
class TPageSnapshot;

// The model of one loaded page: the tag tree of frames, forms, form parts and scripts,
// the form parts by full tag path, the buttons and anchors by key, the screen ID and the
// page size. Valid until the tab parses its next document.
class TCalverdineDocument {
public:
    explicit TCalverdineDocument(const QString& url);
    ~TCalverdineDocument();
    TCalverdineDocument(const TCalverdineDocument&) = delete;
    TCalverdineDocument& operator=(const TCalverdineDocument&) = delete;

    // Parses the page with the current project's screen identification rule (the address
    // rule with a new project's defaults when no project is open). The snapshot may be
    // none (a page that is not HTML): then only the address is used. The model keeps the
    // snapshot alive. Raises TError when the page cannot be parsed; warnings go to the log.
    void Parse(std::shared_ptr<TPageSnapshot> snapshot);
    void Parse(std::shared_ptr<TPageSnapshot> snapshot, const TScreenIDSettings& settings);
    // The same for any implementation of the document interface (not owned).
    void Parse(THtmlDocument* document, const TScreenIDSettings& settings);

    const QString& URL() const { return m_url; }
    const QString& ScreenID() const { return m_screenId; }
    TTagFrame* RootFrame() const { return m_rootFrame.get(); }
    // Form parts by full tag path, letter case ignored, in the walk order of the tree.
    const TKeyedList<TTagFormPart>& FormParts() const { return m_formParts; }
    const QList<THtmlDocument*>& Documents() const { return m_documents; }
    const TKeyedList<TTagInputButtonInfo>& Buttons() const { return m_buttons; }
    const TKeyedList<TTagAnchorInfo>& Anchors() const { return m_anchors; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    TPageSnapshot* Snapshot() const { return m_snapshot.get(); }

    // The value of the part under the full path, or "フォーム部品なし" when there is none.
    QString GetValue(const QString& path) const;
    // The guarded write into the part under the full path; nothing when there is none.
    void SetValue(const QString& path, const QString& value) const;
    bool HasAnyFormPart() const { return !m_formParts.isEmpty(); }

    // Adds "fullpath=value" lines for every part, frames depth first (child frames before
    // a frame's own forms). A line of the list with the same path (letter case ignored) is
    // removed first, so the later part wins and its line moves to the end. Hidden inputs
    // are added only with includeHidden, but still remove an earlier line of their path.
    void CollectValues(QStringList& lines, bool includeHidden) const;
    // The same as (path, value) pairs, for paths that hold "=".
    void CollectValues(QList<std::pair<QString, QString>>& values, bool includeHidden) const;

    // Sends the writes queued since the last flush to the page in one round trip.
    void flushWrites();
    // Takes the live values of a refresh answer (docs/snapshot-format.md) into the
    // snapshot. Raises TError on a malformed text. The forms' Values stay as they were (a
    // form's RefreshValues reads them again; passwords may ask for the master password).
    void applyRefresh(const QByteArray& json);

    // Visits the form parts in the walk order: frames depth first, child frames before the
    // frame's own forms, parts in form order.
    template <class F>
    void forEachPart(F&& visit) const;

private:
    void buildFormParts();
    void collectButtonsAndAnchors();

    QString m_url;
    QString m_screenId;
    std::unique_ptr<TTagFrame> m_rootFrame;
    TKeyedList<TTagFormPart> m_formParts;
    QList<THtmlDocument*> m_documents;
    std::vector<std::unique_ptr<TTagInputButtonInfo>> m_buttonRecords;
    std::vector<std::unique_ptr<TTagAnchorInfo>> m_anchorRecords;
    TKeyedList<TTagInputButtonInfo> m_buttons;
    TKeyedList<TTagAnchorInfo> m_anchors;
    int m_width = 0;
    int m_height = 0;
    std::shared_ptr<TPageSnapshot> m_snapshot;
};

// The parse entry point of a completed page: the model of the page at the address, built
// from its snapshot (none for a page that is not HTML). Raises TError with a message.
std::unique_ptr<TCalverdineDocument> ParsePage(const QString& url, std::shared_ptr<TPageSnapshot> snapshot);

template <class F>
void TCalverdineDocument::forEachPart(F&& visit) const
{
    if (!m_rootFrame)
        return;
    // Explicit stack: hostile pages may nest frames deeply.
    struct Step {
        const TTagFrame* frame;
        size_t nextChild;
    };
    std::vector<Step> stack { { m_rootFrame.get(), 0 } };
    while (!stack.empty()) {
        Step& top = stack.back();
        if (top.nextChild < top.frame->ChildFrames().size()) {
            const TTagFrame* child = top.frame->ChildFrames()[top.nextChild++].get();
            stack.push_back({ child, 0 });
            continue;
        }
        for (const auto& form : top.frame->Forms())
            for (const auto& part : form->Parts())
                visit(part.get());
        stack.pop_back();
    }
}
