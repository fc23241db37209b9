#pragma once

#include "document/htmldocument.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

class TPageChannel;
class TPageSnapshot;

// Writes page snapshot JSON (docs/snapshot-format.md) for tests: documents, elements and
// frames by calls, handles given out in order. The text goes through the real loader.
class TSnapshotBuilder {
public:
    class Doc {
    public:
        int id() const { return m_id; }

        Doc& body(int scrollWidth, int scrollHeight, int left = 0, int right = 0, int top = 0, int bottom = 0);
        // A generic element; returns its handle.
        int element(const QString& tag, QJsonObject fields = {});
        int form(const QString& name, const QString& action = QString(), const QString& method = QStringLiteral("get"));
        // An input, in the form's items when form >= 0. Fields add to or override the defaults.
        int input(int form, const QString& type, const QString& name, const QString& value = QString(),
                  QJsonObject fields = {});
        int select(int form, const QString& name, const QList<THtmlOption>& options, bool multiple = false);
        int textarea(int form, const QString& name, const QString& value);
        int anchor(const QString& href, const QString& text, const QString& imgAlt = QString(),
                   const QString& imgSrc = QString());
        int script(const QString& text, const QString& src = QString(), const QString& type = QString(),
                   const QString& language = QString());
        int meta(const QString& httpEquiv, const QString& content);
        // A frameset, the child of another frameset when parent >= 0.
        int frameset(const QString& rows, const QString& cols, int parent = -1,
                     const QString& outerHTML = QString());
        // A FRAME or IFRAME element and its window: the document `childDocument`, or an
        // unreachable one when it is -1.
        int frame(const QString& tag, const QString& name, const QString& src, int childDocument, int parent = -1);
        void setId(int handle, const QString& id, const QString& innerText = QString());
        void scriptText(const QString& address, const QString& text);

    private:
        friend class TSnapshotBuilder;
        Doc(TSnapshotBuilder* builder, int id, const QString& url) : m_builder(builder), m_id(id), m_url(url) {}
        QJsonObject& at(int handle);
        // Appends the handle to the list `key` (form items, frameset children) of the owner.
        void appendReference(int owner, const char* key, int handle);
        QJsonObject toJson() const;

        TSnapshotBuilder* m_builder;
        int m_id;
        QString m_url;
        QJsonValue m_body;
        std::vector<QJsonObject> m_elements;
        std::vector<int> m_handles;
        QJsonArray m_frames;
        QJsonArray m_forms;
        QJsonArray m_scripts;
        QJsonObject m_ids;
        QJsonObject m_scriptTexts;
    };

    // The first document is the top document; frames refer to later ones.
    Doc& document(const QString& url);
    QByteArray json() const;
    std::shared_ptr<TPageSnapshot> build(TPageChannel* channel = nullptr) const;

private:
    int nextHandle() { return m_nextHandle++; }
    std::deque<Doc> m_documents;
    int m_nextHandle = 1;
};
