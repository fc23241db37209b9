#pragma once

#include "document/htmldocument.h"
#include "document/pagesnapshot.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

class TPageChannel;

// Writes page snapshot JSON (docs/snapshot-format.md) for tests: documents, elements and
// frames by calls, handles given out in order. The text goes through the real loader.
class TSnapshotBuilder {
public:
    class Doc {
    public:
        int id() const { return m_id; }

        Doc& body(int scrollWidth, int scrollHeight, int left = 0, int right = 0, int top = 0, int bottom = 0)
        {
            m_body = QJsonObject { { "h", m_builder->nextHandle() }, { "scrollWidth", scrollWidth },
                                   { "scrollHeight", scrollHeight }, { "leftMargin", left },
                                   { "rightMargin", right },          { "topMargin", top },
                                   { "bottomMargin", bottom } };
            return *this;
        }
        // A generic element; returns its handle.
        int element(const QString& tag, QJsonObject fields = {})
        {
            const int handle = m_builder->nextHandle();
            fields.insert("h", handle);
            fields.insert("tag", tag);
            m_elements.push_back(fields);
            m_handles.push_back(handle);
            return handle;
        }
        int form(const QString& name, const QString& action = QString(), const QString& method = QStringLiteral("get"))
        {
            const int handle = element("FORM", { { "name", name }, { "action", action }, { "method", method },
                                                 { "items", QJsonArray() } });
            m_forms.append(handle);
            return handle;
        }
        // An input, in the form's items when form >= 0. Fields add to or override the defaults.
        int input(int form, const QString& type, const QString& name, const QString& value = QString(),
                  QJsonObject fields = {})
        {
            QJsonObject e { { "type", type }, { "name", name }, { "value", value }, { "form", form } };
            for (auto it = fields.begin(); it != fields.end(); ++it)
                e.insert(it.key(), it.value());
            return appendReference(form, "items", element("INPUT", e));
        }
        int select(int form, const QString& name, const QList<THtmlOption>& options, bool multiple = false)
        {
            QJsonArray list;
            for (const THtmlOption& o : options)
                list.append(QJsonObject { { "value", o.value }, { "text", o.text }, { "selected", o.selected } });
            return appendReference(
                form, "items", element("SELECT", { { "name", name }, { "multiple", multiple }, { "options", list } }));
        }
        int textarea(int form, const QString& name, const QString& value)
        {
            return appendReference(form, "items", element("TEXTAREA", { { "name", name }, { "value", value } }));
        }
        int anchor(const QString& href, const QString& text, const QString& imgAlt = QString(),
                   const QString& imgSrc = QString())
        {
            QJsonObject e { { "href", href }, { "text", text } };
            if (!imgAlt.isEmpty() || !imgSrc.isEmpty()) {
                e.insert("imgAlt", imgAlt);
                e.insert("imgSrc", imgSrc);
            }
            return element("A", e);
        }
        int script(const QString& text, const QString& src = QString(), const QString& type = QString(),
                   const QString& language = QString())
        {
            const int handle
                = element("SCRIPT", { { "text", text }, { "src", src }, { "type", type }, { "language", language } });
            m_scripts.append(handle);
            return handle;
        }
        int meta(const QString& httpEquiv, const QString& content)
        {
            return element("META", { { "httpEquiv", httpEquiv }, { "content", content } });
        }
        // A frameset, the child of another frameset when parent >= 0.
        int frameset(const QString& rows, const QString& cols, int parent = -1, const QString& outerHTML = QString())
        {
            return appendReference(parent, "children",
                                   element("FRAMESET", { { "rows", rows }, { "cols", cols }, { "outerHTML", outerHTML },
                                                         { "children", QJsonArray() } }));
        }
        // A FRAME or IFRAME element and its window: the document `childDocument`, or an
        // unreachable one when it is -1.
        int frame(const QString& tag, const QString& name, const QString& src, int childDocument, int parent = -1)
        {
            if (childDocument >= 0)
                m_frames.append(QJsonObject { { "doc", childDocument } });
            else
                m_frames.append(QJsonObject { { "doc", QJsonValue::Null }, { "error", "Blocked a frame with origin" } });
            return appendReference(parent, "children",
                                   element(tag, { { "name", name }, { "src", src }, { "frame", int(m_frames.size()) - 1 } }));
        }
        // A FRAME or IFRAME element that names the window at `frameIndex` itself (the page's
        // frames need not follow the elements' order).
        int frameElement(const QString& tag, const QString& name, int frameIndex)
        {
            return element(tag, { { "name", name }, { "frame", frameIndex } });
        }
        // A window of the document without an element of its own yet.
        void window(int childDocument) { m_frames.append(QJsonObject { { "doc", childDocument } }); }
        void setId(int handle, const QString& id, const QString& innerText = QString())
        {
            QJsonObject& e = at(handle);
            e.insert("id", id);
            if (!innerText.isEmpty())
                e.insert("innerText", innerText);
            if (!m_ids.contains(id))
                m_ids.insert(id, handle);
        }
        void scriptText(const QString& address, const QString& text) { m_scriptTexts.insert(address, text); }

    private:
        friend class TSnapshotBuilder;
        Doc(TSnapshotBuilder* builder, int id, const QString& url) : m_builder(builder), m_id(id), m_url(url) {}
        QJsonObject& at(int handle)
        {
            for (size_t i = 0; i < m_handles.size(); ++i)
                if (m_handles[i] == handle)
                    return m_elements[i];
            static QJsonObject none;
            return none;
        }
        // Appends the handle to the list `key` (form items, frameset children) of the owner; returns it.
        int appendReference(int owner, const char* key, int handle)
        {
            if (owner >= 0) {
                QJsonObject& o = at(owner);
                QJsonArray list = o.value(key).toArray();
                list.append(handle);
                o.insert(key, list);
            }
            return handle;
        }
        QJsonObject toJson() const
        {
            QJsonArray elements;
            for (const QJsonObject& e : m_elements)
                elements.append(e);
            return QJsonObject { { "id", m_id },       { "url", m_url },       { "title", QString() },
                                 { "readyState", "complete" }, { "frames", m_frames }, { "body", m_body },
                                 { "elements", elements }, { "forms", m_forms }, { "scripts", m_scripts },
                                 { "ids", m_ids },     { "scriptTexts", m_scriptTexts } };
        }

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
    Doc& document(const QString& url)
    {
        m_documents.push_back(Doc(this, int(m_documents.size()), url));
        return m_documents.back();
    }
    QByteArray json() const
    {
        QJsonArray documents;
        for (const Doc& doc : m_documents)
            documents.append(doc.toJson());
        return QJsonDocument(QJsonObject { { "format", 1 }, { "documents", documents } })
            .toJson(QJsonDocument::Compact);
    }
    std::shared_ptr<TPageSnapshot> build(TPageChannel* channel = nullptr) const
    {
        return TPageSnapshot::fromJson(json(), channel);
    }

private:
    int nextHandle() { return m_nextHandle++; }
    std::deque<Doc> m_documents;
    int m_nextHandle = 1;
};
