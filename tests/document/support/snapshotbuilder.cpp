#include "document/support/snapshotbuilder.h"

#include "document/pagesnapshot.h"

#include <QJsonDocument>

TSnapshotBuilder::Doc& TSnapshotBuilder::document(const QString& url)
{
    m_documents.push_back(Doc(this, int(m_documents.size()), url));
    return m_documents.back();
}

QByteArray TSnapshotBuilder::json() const
{
    QJsonArray documents;
    for (const Doc& doc : m_documents)
        documents.append(doc.toJson());
    return QJsonDocument(QJsonObject { { "format", 1 }, { "documents", documents } }).toJson(QJsonDocument::Compact);
}

std::shared_ptr<TPageSnapshot> TSnapshotBuilder::build(TPageChannel* channel) const
{
    return TPageSnapshot::fromJson(json(), channel);
}

QJsonObject& TSnapshotBuilder::Doc::at(int handle)
{
    for (size_t i = 0; i < m_handles.size(); ++i)
        if (m_handles[i] == handle)
            return m_elements[i];
    static QJsonObject none;
    return none;
}

void TSnapshotBuilder::Doc::appendReference(int owner, const char* key, int handle)
{
    if (owner < 0)
        return;
    QJsonObject& o = at(owner);
    QJsonArray list = o.value(key).toArray();
    list.append(handle);
    o.insert(key, list);
}

QJsonObject TSnapshotBuilder::Doc::toJson() const
{
    QJsonArray elements;
    for (const QJsonObject& e : m_elements)
        elements.append(e);
    return QJsonObject { { "id", m_id },           { "url", m_url },         { "title", QString() },
                         { "readyState", "complete" }, { "frames", m_frames }, { "body", m_body },
                         { "elements", elements }, { "forms", m_forms },     { "scripts", m_scripts },
                         { "ids", m_ids },         { "scriptTexts", m_scriptTexts } };
}

TSnapshotBuilder::Doc& TSnapshotBuilder::Doc::body(int scrollWidth, int scrollHeight, int left, int right, int top,
                                                   int bottom)
{
    m_body = QJsonObject { { "h", m_builder->nextHandle() }, { "scrollWidth", scrollWidth },
                           { "scrollHeight", scrollHeight }, { "leftMargin", left },
                           { "rightMargin", right },          { "topMargin", top },
                           { "bottomMargin", bottom } };
    return *this;
}

int TSnapshotBuilder::Doc::element(const QString& tag, QJsonObject fields)
{
    const int handle = m_builder->nextHandle();
    fields.insert("h", handle);
    fields.insert("tag", tag);
    m_elements.push_back(fields);
    m_handles.push_back(handle);
    return handle;
}

int TSnapshotBuilder::Doc::form(const QString& name, const QString& action, const QString& method)
{
    const int handle = element("FORM", { { "name", name }, { "action", action }, { "method", method }, { "items", QJsonArray() } });
    m_forms.append(handle);
    return handle;
}

int TSnapshotBuilder::Doc::input(int form, const QString& type, const QString& name, const QString& value,
                                 QJsonObject fields)
{
    QJsonObject e { { "type", type }, { "name", name }, { "value", value }, { "form", form } };
    for (auto it = fields.begin(); it != fields.end(); ++it)
        e.insert(it.key(), it.value());
    const int handle = element("INPUT", e);
    appendReference(form, "items", handle);
    return handle;
}

int TSnapshotBuilder::Doc::select(int form, const QString& name, const QList<THtmlOption>& options, bool multiple)
{
    QJsonArray list;
    for (const THtmlOption& o : options)
        list.append(QJsonObject { { "value", o.value }, { "text", o.text }, { "selected", o.selected } });
    const int handle = element("SELECT", { { "name", name }, { "multiple", multiple }, { "options", list } });
    appendReference(form, "items", handle);
    return handle;
}

int TSnapshotBuilder::Doc::textarea(int form, const QString& name, const QString& value)
{
    const int handle = element("TEXTAREA", { { "name", name }, { "value", value } });
    appendReference(form, "items", handle);
    return handle;
}

int TSnapshotBuilder::Doc::anchor(const QString& href, const QString& text, const QString& imgAlt,
                                  const QString& imgSrc)
{
    QJsonObject e { { "href", href }, { "text", text } };
    if (!imgAlt.isEmpty() || !imgSrc.isEmpty()) {
        e.insert("imgAlt", imgAlt);
        e.insert("imgSrc", imgSrc);
    }
    return element("A", e);
}

int TSnapshotBuilder::Doc::script(const QString& text, const QString& src, const QString& type,
                                  const QString& language)
{
    const int handle
        = element("SCRIPT", { { "text", text }, { "src", src }, { "type", type }, { "language", language } });
    m_scripts.append(handle);
    return handle;
}

int TSnapshotBuilder::Doc::meta(const QString& httpEquiv, const QString& content)
{
    return element("META", { { "httpEquiv", httpEquiv }, { "content", content } });
}

int TSnapshotBuilder::Doc::frameset(const QString& rows, const QString& cols, int parent, const QString& outerHTML)
{
    const int handle = element("FRAMESET", { { "rows", rows }, { "cols", cols }, { "outerHTML", outerHTML },
                                             { "children", QJsonArray() } });
    appendReference(parent, "children", handle);
    return handle;
}

int TSnapshotBuilder::Doc::frame(const QString& tag, const QString& name, const QString& src, int childDocument,
                                 int parent)
{
    const int handle = element(tag, { { "name", name }, { "src", src } });
    if (childDocument >= 0)
        m_frames.append(QJsonObject { { "doc", childDocument } });
    else
        m_frames.append(QJsonObject { { "doc", QJsonValue::Null }, { "error", "Blocked a frame with origin" } });
    appendReference(parent, "children", handle);
    return handle;
}

void TSnapshotBuilder::Doc::setId(int handle, const QString& id, const QString& innerText)
{
    QJsonObject& e = at(handle);
    e.insert("id", id);
    if (!innerText.isEmpty())
        e.insert("innerText", innerText);
    if (!m_ids.contains(id))
        m_ids.insert(id, handle);
}

void TSnapshotBuilder::Doc::scriptText(const QString& address, const QString& text)
{
    m_scriptTexts.insert(address, text);
}
