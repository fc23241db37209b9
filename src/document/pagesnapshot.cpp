#include "document/pagesnapshot.h"

#include "core/error.h"
#include "document/pagechannel.h"

#include <QSet>
#include <QUrl>

#include <simdjson.h>

#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <unordered_map>

namespace Internal {

// The fields of elements other than plain inputs, allocated only for those.
struct TElementExtra {
    QString innerText;
    QString outerHTML;
    QString language;
    QString action;
    QString method;
    QString src;
    QString text;
    QString httpEquiv;
    QString content;
    QString href;
    QString imageAlt;
    QString imageSrc;
    QString rows;
    QString cols;
    bool multiple = false;
    QList<THtmlOption> options;
    QList<THtmlElement*> items;
    QList<THtmlElement*> children;
    int frameIndex = -1;
    int scrollWidth = 0;
    int scrollHeight = 0;
    int leftMargin = 0;
    int rightMargin = 0;
    int topMargin = 0;
    int bottomMargin = 0;
};

class TSnapshotElement final : public THtmlElement {
public:
    TSnapshotElement(TPageSnapshot* snapshot, TSnapshotDocument* document, int handle, QString tag)
        : m_snapshot(snapshot), m_document(document), m_handle(handle), m_tag(std::move(tag))
    {
    }

    THtmlDocument* document() const override;
    int handle() const override { return m_handle; }
    QString tagName() const override { return m_tag; }
    QString id() const override { return m_id; }
    QString innerText() const override { return m_extra ? m_extra->innerText : QString(); }
    QString outerHTML() const override { return m_extra ? m_extra->outerHTML : QString(); }
    QString language() const override { return m_extra ? m_extra->language : QString(); }
    QList<THtmlElement*> children() const override { return m_extra ? m_extra->children : QList<THtmlElement*>(); }
    bool disabled() const override { return m_disabled; }
    void click() override { post(TPageOperation::Click); }

    QString name() const override { return m_name; }
    QString type() const override { return m_type; }

    QString value() const override { return m_value; }
    void setValue(const QString& value) override
    {
        m_value = value;
        TPageOperation operation;
        operation.kind = TPageOperation::SetValue;
        operation.handle = m_handle;
        operation.text = value;
        send(operation);
    }
    bool readOnly() const override { return m_readOnly; }
    bool checked() const override { return m_checked; }
    void setChecked(bool checked) override
    {
        m_checked = checked;
        if (checked && SameText(m_type, QLatin1String("radio")))
            m_snapshot->uncheckRadioGroup(this);
        TPageOperation operation;
        operation.kind = TPageOperation::SetChecked;
        operation.handle = m_handle;
        operation.flag = checked;
        send(operation);
    }
    THtmlElement* form() const override { return m_form; }

    QString action() const override { return m_extra ? m_extra->action : QString(); }
    QString method() const override { return m_extra ? m_extra->method : QString(); }
    QList<THtmlElement*> items() const override { return m_extra ? m_extra->items : QList<THtmlElement*>(); }
    void submit() override { post(TPageOperation::Submit); }
    void reset() override { post(TPageOperation::Reset); }

    bool multiple() const override { return m_extra && m_extra->multiple; }
    QList<THtmlOption> options() const override { return m_extra ? m_extra->options : QList<THtmlOption>(); }
    void setSelectedOptions(const QList<int>& indexes) override
    {
        if (!m_extra)
            return;
        QList<THtmlOption>& options = m_extra->options;
        QList<int> selected;
        for (int i = 0; i < options.size(); ++i)
            options[i].selected = false;
        for (int index : indexes) {
            if (index < 0 || index >= options.size())
                continue;
            // A single selection keeps the last option chosen, as the page does.
            if (!m_extra->multiple) {
                for (int i : selected)
                    options[i].selected = false;
                selected.clear();
            }
            options[index].selected = true;
            selected.append(index);
        }
        TPageOperation operation;
        operation.kind = TPageOperation::SetSelected;
        operation.handle = m_handle;
        operation.indexes = selected;
        send(operation);
    }

    QString src() const override { return m_extra ? m_extra->src : QString(); }
    int frameIndex() const override { return m_extra ? m_extra->frameIndex : -1; }
    QString text() const override { return m_extra ? m_extra->text : QString(); }
    QString httpEquiv() const override { return m_extra ? m_extra->httpEquiv : QString(); }
    QString content() const override { return m_extra ? m_extra->content : QString(); }
    QString href() const override { return m_extra ? m_extra->href : QString(); }
    QString imageAlt() const override { return m_extra ? m_extra->imageAlt : QString(); }
    QString imageSrc() const override { return m_extra ? m_extra->imageSrc : QString(); }
    QString rows() const override { return m_extra ? m_extra->rows : QString(); }
    QString cols() const override { return m_extra ? m_extra->cols : QString(); }
    int scrollWidth() const override { return m_extra ? m_extra->scrollWidth : 0; }
    int scrollHeight() const override { return m_extra ? m_extra->scrollHeight : 0; }
    int leftMargin() const override { return m_extra ? m_extra->leftMargin : 0; }
    int rightMargin() const override { return m_extra ? m_extra->rightMargin : 0; }
    int topMargin() const override { return m_extra ? m_extra->topMargin : 0; }
    int bottomMargin() const override { return m_extra ? m_extra->bottomMargin : 0; }

    TElementExtra& extra()
    {
        if (!m_extra)
            m_extra = std::make_unique<TElementExtra>();
        return *m_extra;
    }
    TElementExtra* extraIfAny() const { return m_extra.get(); }

    // Mirror of a live value from a refresh, without a write to the page.
    void takeValue(const QString& value) { m_value = value; }
    void takeChecked(bool checked) { m_checked = checked; }

    TPageSnapshot* m_snapshot = nullptr;
    TSnapshotDocument* m_document = nullptr;
    int m_handle = -1;
    QString m_tag;
    QString m_id;
    QString m_name;
    QString m_type;
    QString m_value;
    bool m_checked = false;
    bool m_readOnly = false;
    bool m_disabled = false;
    THtmlElement* m_form = nullptr;

private:
    void post(TPageOperation::Kind kind)
    {
        TPageOperation operation;
        operation.kind = kind;
        operation.handle = m_handle;
        send(operation);
    }
    void send(const TPageOperation& operation)
    {
        if (TPageChannel* channel = m_snapshot->channel())
            channel->post(operation);
    }

    std::unique_ptr<TElementExtra> m_extra;
};

// One form for the addresses of cached scripts, whoever wrote them: the page gives them
// percent-encoded ("my%20script.js"), an address resolved from the attribute keeps the
// blank or the non-ASCII letters as written.
static QString ScriptAddressKey(const QString& address)
{
    const QUrl url(address.trimmed(), QUrl::TolerantMode);
    if (!url.isValid())
        return address;
    return QUrl::fromPercentEncoding(url.adjusted(QUrl::RemoveFragment).toEncoded());
}

class TSnapshotDocument final : public THtmlDocument {
public:
    TSnapshotDocument(TPageSnapshot* snapshot, int handle) : m_snapshot(snapshot), m_handle(handle) {}

    int handle() const override { return m_handle; }
    QString url() const override { return m_url; }
    QString title() const override { return m_title; }
    THtmlElement* body() const override { return m_body; }
    int frameCount() const override { return int(m_frames.size()); }
    THtmlDocument* frameDocument(int index) const override
    {
        if (index < 0 || index >= m_frames.size())
            throw TError(QStringLiteral("no frame at position %1").arg(index));
        const TFrameRef& frame = m_frames[index];
        if (frame.document < 0)
            throw TError(frame.error.isEmpty() ? QStringLiteral("access denied") : frame.error);
        return m_snapshot->document(frame.document);
    }
    QList<THtmlElement*> forms() const override { return m_forms; }
    QList<THtmlElement*> scripts() const override { return m_scripts; }
    QList<THtmlElement*> elementsByTagName(const QString& tagName) const override
    {
        return m_byTag.value(tagName.toUpper());
    }
    THtmlElement* elementById(const QString& id) const override { return m_ids.value(id); }
    QString cachedScriptText(const QString& address) const override
    {
        return m_scriptTexts.value(ScriptAddressKey(address));
    }
    QString scriptReadError(const QString& address) const override
    {
        return m_scriptErrors.value(ScriptAddressKey(address));
    }
    TPageChannel* channel() const override { return m_snapshot->channel(); }

    struct TFrameRef {
        int document = -1;
        QString error;
    };

    TPageSnapshot* m_snapshot = nullptr;
    int m_handle = 0;
    QString m_url;
    QString m_title;
    THtmlElement* m_body = nullptr;
    QList<TFrameRef> m_frames;
    QList<THtmlElement*> m_forms;
    QList<THtmlElement*> m_scripts;
    QHash<QString, QList<THtmlElement*>> m_byTag;
    QHash<QString, THtmlElement*> m_ids;
    QHash<QString, QString> m_scriptTexts;
    QHash<QString, QString> m_scriptErrors;
};

// Elements in blocks: stable addresses and few allocations for big pages.
struct TElementStore {
    std::deque<TSnapshotElement> elements;
};

THtmlDocument* TSnapshotElement::document() const
{
    return m_document;
}

} // namespace Internal

using Internal::TElementExtra;
using Internal::TSnapshotDocument;
using Internal::TSnapshotElement;

namespace {

[[noreturn]] void fail(const QString& detail)
{
    throw TError(QStringLiteral("page snapshot error: ") + detail);
}

// A page may hold half of a surrogate pair alone in a text (a script can put one into a
// field's value or name). The page writes it as an escape (backslash, u, d800), which is no
// Unicode text: the JSON reader refuses it. Such escapes are therefore handed to the reader
// as a marker character that the answer holds nowhere, followed by the four hexadecimal
// digits of the half, and every text read turns the marker and its digits back into the
// half, so the value stays as the page has it.
thread_local char16_t t_loneMarker = 0;

class TLoneSurrogates {
public:
    TLoneSurrogates() : m_previous(t_loneMarker) {}
    ~TLoneSurrogates() { t_loneMarker = m_previous; }
    TLoneSurrogates(const TLoneSurrogates&) = delete;
    TLoneSurrogates& operator=(const TLoneSurrogates&) = delete;

    // The text to parse: `json` itself, or a copy with the lone halves marked. `prefix` starts
    // the message of a text whose halves cannot be marked.
    const QByteArray& prepare(const QByteArray& json, const QString& prefix)
    {
        std::vector<qsizetype> lone;
        std::vector<bool> used(kMarkerCount, false); // private-use characters the text holds
        const char* data = json.constData();
        const qsizetype size = json.size();
        qsizetype i = 0;
        // Backslashes stand only inside texts and each starts one escape, so they are read
        // from one to the next.
        while (const void* found = i < size ? std::memchr(data + i, '\\', size_t(size - i)) : nullptr) {
            i = static_cast<const char*>(found) - data;
            char16_t unit = 0;
            if (!escapedUnit(data, size, i, &unit)) {
                i += 2;
                continue;
            }
            char16_t next = 0;
            if (QChar::isHighSurrogate(unit) && escapedUnit(data, size, i + 6, &next) && QChar::isLowSurrogate(next)) {
                i += 12;
                continue;
            }
            if (QChar::isSurrogate(unit))
                lone.push_back(i);
            else if (unit >= kFirstMarker && unit - kFirstMarker < kMarkerCount)
                used[unit - kFirstMarker] = true;
            i += 6;
        }
        if (lone.empty())
            return json;
        // The private-use characters the text holds as they are (three bytes of UTF-8 each),
        // found in one pass: a page may hold every one of them.
        for (qsizetype b = 0; b + 2 < size; ++b) {
            const uchar lead = uchar(data[b]);
            if (lead != 0xEE && lead != 0xEF)
                continue;
            const uint unit = (uint(lead & 0x0F) << 12) | (uint(uchar(data[b + 1]) & 0x3F) << 6) | (uint(uchar(data[b + 2]) & 0x3F));
            if (unit >= kFirstMarker && unit - kFirstMarker < uint(kMarkerCount))
                used[unit - kFirstMarker] = true;
        }
        char16_t marker = 0;
        for (int m = 0; m < kMarkerCount && !marker; ++m) {
            if (!used[size_t(m)])
                marker = char16_t(kFirstMarker + m);
        }
        if (!marker)
            throw TError(prefix + QStringLiteral("a text holds a lone surrogate and every private-use character"));
        const QByteArray escape = QByteArray("\\u") + QByteArray::number(uint(marker), 16);
        m_text.reserve(size + qsizetype(lone.size()) * 4);
        qsizetype from = 0;
        for (qsizetype at : lone) {
            m_text.append(data + from, at - from);
            m_text.append(escape);
            m_text.append(data + at + 2, 4); // the half's digits, as plain text
            from = at + 6;
        }
        m_text.append(data + from, size - from);
        t_loneMarker = marker;
        return m_text;
    }

    // The text with every marker and its digits turned back into the half.
    static void restore(QString& text)
    {
        const char16_t marker = t_loneMarker;
        if (!marker)
            return;
        qsizetype at = text.indexOf(QChar(marker));
        if (at < 0)
            return;
        QString restored;
        restored.reserve(text.size());
        qsizetype from = 0;
        for (; at >= 0 && at + 4 < text.size(); at = text.indexOf(QChar(marker), from)) {
            restored.append(QStringView(text).mid(from, at - from));
            restored.append(QChar(char16_t(QStringView(text).mid(at + 1, 4).toUShort(nullptr, 16))));
            from = at + 5;
        }
        restored.append(QStringView(text).mid(from));
        text = restored;
    }

private:
    static constexpr char16_t kFirstMarker = 0xE000; // the private use area
    static constexpr int kMarkerCount = 0x1900;

    // The UTF-16 unit of the escape (backslash, u, four digits) at `at`, if there is one.
    static bool escapedUnit(const char* data, qsizetype size, qsizetype at, char16_t* unit)
    {
        if (at + 6 > size || data[at] != '\\' || data[at + 1] != 'u')
            return false;
        uint value = 0;
        for (int k = 2; k < 6; ++k) {
            const char c = data[at + k];
            const int digit = c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'f'             ? c - 'a' + 10
                : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                                   : -1;
            if (digit < 0)
                return false;
            value = value * 16 + uint(digit);
        }
        *unit = char16_t(value);
        return true;
    }

    char16_t m_previous;
    QByteArray m_text;
};

QString decodeText(std::string_view text)
{
    QString decoded = QString::fromUtf8(text.data(), qsizetype(text.size()));
    TLoneSurrogates::restore(decoded);
    return decoded;
}

// One value of the parsed text, read the way the format wants it: a missing value or one of
// the wrong type reads as empty text, false or 0. Valid while its parser lives.
class TJsonValue {
public:
    TJsonValue() = default; // missing
    explicit TJsonValue(simdjson::dom::element element) : m_element(element), m_present(true) {}

    bool isUndefined() const { return !m_present; }
    bool isNull() const { return m_present && m_element.is_null(); }
    bool isObject() const { return m_present && m_element.is_object(); }
    bool isArray() const { return m_present && m_element.is_array(); }
    bool isString() const { return m_present && m_element.is_string(); }
    bool isNumber() const { return m_present && m_element.is_number(); }

    double toDouble() const
    {
        double d = 0;
        if (!isNumber() || m_element.get_double().get(d) != simdjson::SUCCESS)
            return 0;
        return d;
    }
    bool toBool() const
    {
        bool b = false;
        return m_present && m_element.get_bool().get(b) == simdjson::SUCCESS && b;
    }
    std::string_view view() const
    {
        std::string_view text;
        if (!m_present || m_element.get_string().get(text) != simdjson::SUCCESS)
            return {};
        return text;
    }
    QString toString() const
    {
        const std::string_view text = view();
        return text.empty() ? QString() : decodeText(text);
    }

    // The member of an object (the last one of a name written twice); missing when this is
    // no object or has no such member.
    TJsonValue value(QLatin1String key) const
    {
        simdjson::dom::object object;
        if (!m_present || m_element.get_object().get(object) != simdjson::SUCCESS)
            return {};
        const std::string_view name(key.data(), size_t(key.size()));
        TJsonValue found;
        for (simdjson::dom::key_value_pair member : object)
            if (member.key == name)
                found = TJsonValue(member.value);
        return found;
    }
    bool contains(QLatin1String key) const { return !value(key).isUndefined(); }

    // The items of an array, none for anything else.
    template <typename F>
    void forEach(F&& f) const
    {
        simdjson::dom::array array;
        if (!m_present || m_element.get_array().get(array) != simdjson::SUCCESS)
            return;
        for (simdjson::dom::element item : array)
            f(TJsonValue(item));
    }
    size_t size() const
    {
        simdjson::dom::array array;
        if (!m_present || m_element.get_array().get(array) != simdjson::SUCCESS)
            return 0;
        return array.size();
    }
    // The members of an object, in the order written, none for anything else.
    template <typename F>
    void forEachMember(F&& f) const
    {
        simdjson::dom::object object;
        if (!m_present || m_element.get_object().get(object) != simdjson::SUCCESS)
            return;
        for (simdjson::dom::key_value_pair member : object)
            f(decodeText(member.key), TJsonValue(member.value));
    }

private:
    simdjson::dom::element m_element;
    bool m_present = false;
};

bool toInteger(const TJsonValue& value, int* result)
{
    if (!value.isNumber())
        return false;
    const double d = value.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || d < std::numeric_limits<int>::min()
        || d > std::numeric_limits<int>::max())
        return false;
    *result = int(d);
    return true;
}

int requiredInteger(const TJsonValue& object, QLatin1String key, const QString& where)
{
    int result = 0;
    if (!toInteger(object.value(key), &result))
        fail(where + QStringLiteral(": \"") + key + QStringLiteral("\" is not a whole number"));
    return result;
}

// A pixel size: numbers are rounded, anything else reads as 0.
int pixels(const TJsonValue& object, QLatin1String key)
{
    const double d = object.value(key).toDouble();
    if (!std::isfinite(d) || d < -1e8 || d > 1e8)
        return 0;
    return int(std::lround(d));
}

QString text(const TJsonValue& object, QLatin1String key)
{
    return object.value(key).toString();
}

bool flag(const TJsonValue& object, QLatin1String key)
{
    return object.value(key).toBool();
}

// Parses the whole text into the parser's document; raises with the prefix and the reason.
// The parser reads a little past the end of the text: a text with that much room left in its
// own memory (as a converted answer has) is read where it is instead of copied.
TJsonValue parseText(simdjson::dom::parser& parser, TLoneSurrogates& halves, const QByteArray& source,
                     const QString& prefix)
{
    const QByteArray& json = halves.prepare(source, prefix);
    simdjson::dom::element root;
    // The room after the end, not capacity() - size(): a text cut at its front keeps the
    // cut part at the start of its memory. data_ptr() is only read here.
    const qsizetype room = const_cast<QByteArray&>(json).data_ptr().freeSpaceAtEnd();
    const bool copy = room < qsizetype(simdjson::SIMDJSON_PADDING);
    const simdjson::error_code error = parser.parse(json.constData(), size_t(json.size()), copy).get(root);
    if (error != simdjson::SUCCESS)
        throw TError(prefix + QStringLiteral("not valid JSON (%1)").arg(QString::fromUtf8(simdjson::error_message(error))));
    return TJsonValue(root);
}

// Tag names come in upper case; the common ones share one text.
QString internTag(std::string_view tag)
{
    static const QString kKnown[] = { QStringLiteral("INPUT"),  QStringLiteral("SELECT"), QStringLiteral("TEXTAREA"),
                                      QStringLiteral("A"),      QStringLiteral("FORM"),   QStringLiteral("SCRIPT"),
                                      QStringLiteral("META"),   QStringLiteral("IFRAME"), QStringLiteral("FRAME"),
                                      QStringLiteral("FRAMESET"), QStringLiteral("BUTTON") };
    for (const QString& known : kKnown)
        if (size_t(known.size()) == tag.size() && known == QLatin1String(tag.data(), qsizetype(tag.size())))
            return known;
    return decodeText(tag).toUpper();
}

} // namespace

// The flags member of a field row.
constexpr int kRowChecked = 1;
constexpr int kRowReadOnly = 2;
constexpr int kRowDisabled = 4;
constexpr int kRowMultiple = 8;

class TPageSnapshot::TLoader {
public:
    explicit TLoader(TPageSnapshot& snapshot) : m_snapshot(snapshot) {}

    void load(const QByteArray& json, const TPageSnapshot::Progress& progress)
    {
        simdjson::dom::parser parser;
        TLoneSurrogates halves;
        const TJsonValue root = parseText(parser, halves, json, QStringLiteral("page snapshot error: "));
        if (!root.isObject())
            fail(QStringLiteral("the text is not a JSON object"));
        int format = 0;
        if (!toInteger(root.value(QLatin1String("format")), &format) || format != 1)
            fail(QStringLiteral("unknown format"));
        const TJsonValue documents = root.value(QLatin1String("documents"));
        if (!documents.isArray() || documents.size() == 0)
            fail(QStringLiteral("no documents"));
        std::vector<TJsonValue> list;
        list.reserve(documents.size());
        documents.forEach([&](const TJsonValue& document) { list.push_back(document); });
        const int count = int(list.size());
        m_snapshot.m_documents.reserve(size_t(count));
        m_pending.resize(size_t(count));
        qsizetype elementCount = 0;
        for (const TJsonValue& document : list)
            elementCount += qsizetype(document.value(QLatin1String("elements")).size());
        m_snapshot.m_byHandle.reserve(elementCount);
        m_progress = progress;
        m_elementTotal = elementCount;
        for (int i = 0; i < count; ++i)
            m_snapshot.m_documents.push_back(std::make_unique<TSnapshotDocument>(&m_snapshot, i));
        // Elements first, for every document, so references can be resolved afterwards.
        for (int i = 0; i < count; ++i) {
            if (!list[size_t(i)].isObject())
                fail(QStringLiteral("document %1 is not an object").arg(i));
            loadElements(i, list[size_t(i)]);
        }
        m_referenced.assign(size_t(count), false);
        for (int i = 0; i < count; ++i)
            loadDocument(i, list[size_t(i)]);
        resolveInputForms();
    }

private:
    QString where(int document) const { return QStringLiteral("document %1").arg(document); }

    TSnapshotElement* resolve(const TJsonValue& value, const QString& where) const
    {
        int handle = 0;
        if (!toInteger(value, &handle))
            fail(where + QStringLiteral(": a handle is not a whole number"));
        TSnapshotElement* element = m_snapshot.m_byHandle.value(handle);
        if (!element)
            fail(where + QStringLiteral(": no element with handle %1").arg(handle));
        return element;
    }

    void loadElements(int index, const TJsonValue& object)
    {
        TSnapshotDocument* document = m_snapshot.m_documents[size_t(index)].get();
        const QString at = where(index);
        int id = 0;
        if (!toInteger(object.value(QLatin1String("id")), &id) || id != index)
            fail(at + QStringLiteral(": \"id\" must be its position"));
        const TJsonValue elements = object.value(QLatin1String("elements"));
        if (!elements.isUndefined() && !elements.isNull() && !elements.isArray())
            fail(at + QStringLiteral(": \"elements\" is not an array"));
        elements.forEach([&](const TJsonValue& e) {
            if (e.isArray()) {
                loadRow(document, at, e);
                reportProgress();
                return;
            }
            if (!e.isObject())
                fail(at + QStringLiteral(": an element is not an object"));
            const int handle = requiredInteger(e, QLatin1String("h"), at);
            const TJsonValue tagValue = e.value(QLatin1String("tag"));
            if (!tagValue.isString() || tagValue.view().empty())
                fail(at + QStringLiteral(": element %1 has no tag").arg(handle));
            TSnapshotElement* raw = addElement(document, at, handle, internTag(tagValue.view()));
            fillElement(*raw, e);
            if (raw->m_tag == QLatin1String("INPUT")) {
                int form = -1;
                if (toInteger(e.value(QLatin1String("form")), &form) && form >= 0)
                    m_inputForms.push_back({ raw, form });
            } else if (raw->m_tag == QLatin1String("FORM") || raw->m_tag == QLatin1String("FRAMESET")) {
                m_pending[size_t(index)].push_back({ raw, e });
            }
            reportProgress();
        });
    }

    TSnapshotElement* addElement(TSnapshotDocument* document, const QString& at, int handle, const QString& tag)
    {
        if (m_snapshot.m_byHandle.contains(handle))
            fail(at + QStringLiteral(": handle %1 is used twice").arg(handle));
        TSnapshotElement* raw = &m_snapshot.m_elements->elements.emplace_back(&m_snapshot, document, handle, tag);
        m_snapshot.m_byHandle.insert(handle, raw);
        document->m_byTag[raw->m_tag].append(raw);
        return raw;
    }

    // A field written as a row (docs/snapshot-format.md): its kind, handle and id, then the
    // members of that kind in their fixed order, then the text asked for by id, if any.
    void loadRow(TSnapshotDocument* document, const QString& at, const TJsonValue& row)
    {
        enum { kKind, kHandle, kId, kMost = 9 };
        TJsonValue item[kMost];
        int count = 0;
        row.forEach([&](const TJsonValue& value) {
            if (count < kMost)
                item[count] = value;
            ++count;
        });
        const std::string_view kind = item[kKind].view();
        int handle = 0;
        if (!toInteger(item[kHandle], &handle))
            fail(at + QStringLiteral(": \"h\" is not a whole number"));
        int flags = 0;
        int textAt = 0;
        TSnapshotElement* raw = nullptr;
        if (kind == "INPUT") {
            raw = addElement(document, at, handle, internTag(kind));
            raw->m_type = shared(item[3]);
            raw->m_name = item[4].toString();
            // The values of check boxes and radio buttons repeat ("on", "1"), a text's do not.
            raw->m_value = isChoice(raw->m_type) ? shared(item[5]) : item[5].toString();
            toInteger(item[6], &flags);
            int form = -1;
            if (toInteger(item[7], &form) && form >= 0)
                m_inputForms.push_back({ raw, form });
            textAt = 8;
        } else if (kind == "TEXTAREA") {
            raw = addElement(document, at, handle, internTag(kind));
            raw->m_name = item[3].toString();
            raw->m_value = item[4].toString();
            toInteger(item[5], &flags);
            textAt = 6;
        } else if (kind == "SELECT") {
            raw = addElement(document, at, handle, internTag(kind));
            raw->m_name = item[3].toString();
            toInteger(item[4], &flags);
            TElementExtra& x = raw->extra();
            x.multiple = flags & kRowMultiple;
            // Value, text and selected of each option in turn.
            x.options.reserve(qsizetype(item[5].size() / 3));
            int member = 0;
            THtmlOption option;
            item[5].forEach([&](const TJsonValue& value) {
                switch (member++ % 3) {
                case 0:
                    option.value = shared(value);
                    break;
                case 1:
                    option.text = shared(value);
                    break;
                default:
                    option.selected = value.toBool() || value.toDouble() == 1;
                    x.options.append(option);
                    option = {};
                }
            });
            textAt = 6;
        } else {
            fail(at + QStringLiteral(": element %1 is a row of no known kind").arg(handle));
        }
        raw->m_id = item[kId].toString();
        raw->m_checked = flags & kRowChecked;
        raw->m_readOnly = flags & kRowReadOnly;
        raw->m_disabled = flags & kRowDisabled;
        if (count > textAt)
            raw->extra().innerText = item[textAt].toString();
    }

    // Texts that repeat on big pages (input types, the option lists of a grid's rows) are
    // made once and shared by every element that has them. Long texts rarely repeat.
    QString shared(const TJsonValue& value)
    {
        const std::string_view text = value.view();
        if (text.empty() || text.size() > 64)
            return value.toString();
        auto [it, added] = m_shared.try_emplace(text);
        if (added)
            it->second = decodeText(text);
        return it->second;
    }

    static bool isChoice(const QString& type)
    {
        return SameText(type, QLatin1String("checkbox")) || SameText(type, QLatin1String("radio"));
    }

    // Every few thousand elements, how far the reading has come.
    void reportProgress()
    {
        if (!m_progress || ++m_elementsRead % 4096 != 0)
            return;
        m_progress(int(qMin<qint64>(99, qint64(m_elementsRead) * 100 / qMax<qsizetype>(1, m_elementTotal))));
    }

    void fillElement(TSnapshotElement& element, const TJsonValue& e)
    {
        element.m_id = text(e, QLatin1String("id"));
        element.m_name = text(e, QLatin1String("name"));
        element.m_type = shared(e.value(QLatin1String("type")));
        element.m_value = text(e, QLatin1String("value"));
        element.m_checked = flag(e, QLatin1String("checked"));
        element.m_readOnly = flag(e, QLatin1String("readOnly"));
        element.m_disabled = flag(e, QLatin1String("disabled"));
        const QString& tag = element.m_tag;
        if (e.contains(QLatin1String("innerText")))
            element.extra().innerText = text(e, QLatin1String("innerText"));
        if (tag == QLatin1String("INPUT") || tag == QLatin1String("TEXTAREA"))
            return;
        if (tag == QLatin1String("SELECT")) {
            TElementExtra& x = element.extra();
            x.multiple = flag(e, QLatin1String("multiple"));
            const TJsonValue options = e.value(QLatin1String("options"));
            x.options.reserve(qsizetype(options.size()));
            options.forEach([&](const TJsonValue& o) {
                x.options.append({ shared(o.value(QLatin1String("value"))), shared(o.value(QLatin1String("text"))),
                                   flag(o, QLatin1String("selected")) });
            });
        } else if (tag == QLatin1String("FORM")) {
            element.extra().action = text(e, QLatin1String("action"));
            element.extra().method = text(e, QLatin1String("method"));
        } else if (tag == QLatin1String("A")) {
            TElementExtra& x = element.extra();
            x.href = text(e, QLatin1String("href"));
            x.innerText = text(e, QLatin1String("text"));
            x.imageAlt = text(e, QLatin1String("imgAlt"));
            x.imageSrc = text(e, QLatin1String("imgSrc"));
        } else if (tag == QLatin1String("META")) {
            element.extra().httpEquiv = text(e, QLatin1String("httpEquiv"));
            element.extra().content = text(e, QLatin1String("content"));
        } else if (tag == QLatin1String("SCRIPT")) {
            TElementExtra& x = element.extra();
            x.src = text(e, QLatin1String("src"));
            x.text = text(e, QLatin1String("text"));
            x.language = text(e, QLatin1String("language"));
        } else if (tag == QLatin1String("IFRAME") || tag == QLatin1String("FRAME")) {
            TElementExtra& x = element.extra();
            x.src = text(e, QLatin1String("src"));
            int frame = -1;
            if (toInteger(e.value(QLatin1String("frame")), &frame) && frame >= 0)
                x.frameIndex = frame;
        } else if (tag == QLatin1String("FRAMESET")) {
            TElementExtra& x = element.extra();
            x.rows = text(e, QLatin1String("rows"));
            x.cols = text(e, QLatin1String("cols"));
            x.outerHTML = text(e, QLatin1String("outerHTML"));
        }
    }

    void loadDocument(int index, const TJsonValue& object)
    {
        TSnapshotDocument* document = m_snapshot.m_documents[size_t(index)].get();
        const QString at = where(index);
        document->m_url = text(object, QLatin1String("url"));
        document->m_title = text(object, QLatin1String("title"));

        array(object, QLatin1String("frames"), at).forEach([&](const TJsonValue& frame) {
            if (!frame.isObject())
                fail(at + QStringLiteral(": a frame is not an object"));
            TSnapshotDocument::TFrameRef ref;
            const TJsonValue doc = frame.value(QLatin1String("doc"));
            if (doc.isNull() || doc.isUndefined()) {
                ref.error = text(frame, QLatin1String("error"));
            } else {
                int target = 0;
                // Frames point forward only and each document has one frame, so the
                // frames form a tree and a walk over them ends.
                if (!toInteger(doc, &target) || target <= index || target >= int(m_referenced.size()))
                    fail(at + QStringLiteral(": a frame refers to no later document"));
                if (m_referenced[size_t(target)])
                    fail(at + QStringLiteral(": document %1 is the document of two frames").arg(target));
                m_referenced[size_t(target)] = true;
                ref.document = target;
            }
            document->m_frames.append(ref);
        });

        const TJsonValue body = object.value(QLatin1String("body"));
        if (body.isObject())
            loadBody(document, body);
        else if (!body.isNull() && !body.isUndefined())
            fail(at + QStringLiteral(": \"body\" is not an object"));

        array(object, QLatin1String("forms"), at).forEach([&](const TJsonValue& value) {
            TSnapshotElement* form = resolve(value, at);
            if (form->m_tag != QLatin1String("FORM"))
                fail(at + QStringLiteral(": form %1 is not a FORM").arg(form->m_handle));
            document->m_forms.append(form);
        });
        array(object, QLatin1String("scripts"), at).forEach([&](const TJsonValue& value) {
            TSnapshotElement* script = resolve(value, at);
            if (script->m_tag != QLatin1String("SCRIPT"))
                fail(at + QStringLiteral(": script %1 is not a SCRIPT").arg(script->m_handle));
            document->m_scripts.append(script);
        });
        // A name written twice keeps its last value.
        object.value(QLatin1String("ids")).forEachMember([&](const QString& key, const TJsonValue& value) {
            document->m_ids.insert(key, resolve(value, at));
        });
        object.value(QLatin1String("scriptTexts")).forEachMember([&](const QString& key, const TJsonValue& value) {
            document->m_scriptTexts.insert(Internal::ScriptAddressKey(key), value.toString());
        });
        object.value(QLatin1String("unreadableScripts")).forEachMember([&](const QString& key, const TJsonValue& value) {
            document->m_scriptErrors.insert(Internal::ScriptAddressKey(key), value.toString());
        });
        resolvePending(index, at);
    }

    // References between elements: form items, frameset children, the form of an input.
    void resolvePending(int index, const QString& at)
    {
        for (const TPending& pending : m_pending[size_t(index)]) {
            TSnapshotElement* element = pending.element;
            const TJsonValue& e = pending.object;
            const QString& tag = element->m_tag;
            if (tag == QLatin1String("FORM")) {
                array(e, QLatin1String("items"), at).forEach([&](const TJsonValue& value) {
                    element->extra().items.append(resolve(value, at));
                });
            } else if (tag == QLatin1String("FRAMESET")) {
                array(e, QLatin1String("children"), at).forEach([&](const TJsonValue& value) {
                    TSnapshotElement* child = resolve(value, at);
                    // Children come later in document order, so nesting cannot loop.
                    if (child->m_handle <= element->m_handle
                        || (child->m_tag != QLatin1String("FRAME") && child->m_tag != QLatin1String("FRAMESET")))
                        fail(at + QStringLiteral(": frameset %1 has a child that is no later FRAME or FRAMESET")
                                      .arg(element->m_handle));
                    // One parent per child, so the walk over the framesets stays a walk over a
                    // tree and never visits a frame twice.
                    if (m_framesetChildren.contains(child))
                        fail(at + QStringLiteral(": element %1 is the child of two framesets").arg(child->m_handle));
                    m_framesetChildren.insert(child);
                    element->extra().children.append(child);
                });
            }
        }
    }

    // The form of an input: an unknown handle reads as no form.
    void resolveInputForms()
    {
        for (const auto& [input, form] : m_inputForms) {
            TSnapshotElement* target = m_snapshot.m_byHandle.value(form);
            if (target && target->m_tag == QLatin1String("FORM"))
                input->m_form = target;
        }
    }

    void loadBody(TSnapshotDocument* document, const TJsonValue& body)
    {
        int handle = -1;
        TSnapshotElement* element = nullptr;
        if (toInteger(body.value(QLatin1String("h")), &handle))
            element = m_snapshot.m_byHandle.value(handle);
        if (!element) {
            element = &m_snapshot.m_elements->elements.emplace_back(&m_snapshot, document, handle, QStringLiteral("BODY"));
            if (handle >= 0)
                m_snapshot.m_byHandle.insert(handle, element);
        }
        TElementExtra& x = element->extra();
        x.scrollWidth = pixels(body, QLatin1String("scrollWidth"));
        x.scrollHeight = pixels(body, QLatin1String("scrollHeight"));
        x.leftMargin = pixels(body, QLatin1String("leftMargin"));
        x.rightMargin = pixels(body, QLatin1String("rightMargin"));
        x.topMargin = pixels(body, QLatin1String("topMargin"));
        x.bottomMargin = pixels(body, QLatin1String("bottomMargin"));
        document->m_body = element;
    }

    // An array member; a missing or null one reads as empty.
    static TJsonValue array(const TJsonValue& object, QLatin1String key, const QString& at)
    {
        const TJsonValue value = object.value(key);
        if (value.isUndefined() || value.isNull())
            return TJsonValue();
        if (!value.isArray())
            fail(at + QStringLiteral(": \"") + key + QStringLiteral("\" is not an array"));
        return value;
    }

    struct TPending {
        TSnapshotElement* element;
        TJsonValue object;
    };

    TPageSnapshot::Progress m_progress;
    qsizetype m_elementTotal = 0;
    qsizetype m_elementsRead = 0;

    TPageSnapshot& m_snapshot;
    std::vector<std::vector<TPending>> m_pending; // per document
    std::vector<std::pair<TSnapshotElement*, int>> m_inputForms;
    std::unordered_map<std::string_view, QString> m_shared; // views into the parser's texts
    std::vector<bool> m_referenced;
    QSet<const TSnapshotElement*> m_framesetChildren;
};

TPageSnapshot::TPageSnapshot() : m_elements(std::make_unique<Internal::TElementStore>()) {}
TPageSnapshot::~TPageSnapshot() = default;

std::shared_ptr<TPageSnapshot> TPageSnapshot::fromJson(const QByteArray& json, TPageChannel* channel,
                                                       const Progress& progress)
{
    std::shared_ptr<TPageSnapshot> snapshot(new TPageSnapshot);
    TLoader(*snapshot).load(json, progress);
    snapshot->m_channel = channel;
    return snapshot;
}

int TPageSnapshot::elementCount() const
{
    return int(m_elements->elements.size());
}

THtmlDocument* TPageSnapshot::topDocument() const
{
    return m_documents.front().get();
}

THtmlDocument* TPageSnapshot::document(int handle) const
{
    if (handle < 0 || handle >= int(m_documents.size()))
        return nullptr;
    return m_documents[size_t(handle)].get();
}

THtmlElement* TPageSnapshot::element(int handle) const
{
    return m_byHandle.value(handle);
}

void TPageSnapshot::flush()
{
    if (m_channel)
        m_channel->flush();
}

void TPageSnapshot::uncheckRadioGroup(TSnapshotElement* checkedRadio)
{
    const auto groupKey = [](const TSnapshotElement* e) -> QString {
        const int scope = e->m_form ? e->m_form->handle() : -1 - e->m_document->handle();
        return QString::number(scope) + QLatin1Char(':') + e->m_name;
    };
    if (m_radioGroups.isEmpty()) {
        for (TSnapshotElement& e : m_elements->elements)
            if (e.m_tag == QLatin1String("INPUT") && SameText(e.m_type, QLatin1String("radio"))
                && !e.m_name.isEmpty())
                m_radioGroups[groupKey(&e)].append(&e);
    }
    if (checkedRadio->m_name.isEmpty())
        return;
    for (TSnapshotElement* other : m_radioGroups.value(groupKey(checkedRadio)))
        if (other != checkedRadio)
            other->takeChecked(false);
}

void TPageSnapshot::applyRefresh(const QByteArray& json)
{
    simdjson::dom::parser parser;
    TLoneSurrogates halves;
    const TJsonValue root = parseText(parser, halves, json, QStringLiteral("page refresh error: "));
    int format = 0;
    const TJsonValue values = root.value(QLatin1String("values"));
    if (!root.isObject() || !toInteger(root.value(QLatin1String("format")), &format) || format != 1 || !values.isArray())
        throw TError(QStringLiteral("page refresh error: unknown format"));

    // An entry is an object or a row [h, value, checked, selected] (null where it has none).
    struct TChange {
        TSnapshotElement* element;
        TJsonValue value;
        TJsonValue checked;
        TJsonValue selected;
    };
    std::vector<TChange> changes;
    changes.reserve(values.size());
    values.forEach([&](const TJsonValue& v) {
        TJsonValue item[4];
        if (v.isArray()) {
            int count = 0;
            v.forEach([&](const TJsonValue& member) {
                if (count < 4)
                    item[count] = member.isNull() ? TJsonValue() : member;
                ++count;
            });
        } else if (v.isObject()) {
            item[0] = v.value(QLatin1String("h"));
            item[1] = v.value(QLatin1String("value"));
            item[2] = v.value(QLatin1String("checked"));
            item[3] = v.value(QLatin1String("selected"));
        }
        int handle = 0;
        if (!toInteger(item[0], &handle))
            throw TError(QStringLiteral("page refresh error: an entry has no handle"));
        // Elements that are not part of this snapshot are no business of its model.
        if (TSnapshotElement* element = m_byHandle.value(handle))
            changes.push_back({ element, item[1], item[2], item[3] });
    });
    for (const TChange& change : changes) {
        if (!change.value.isUndefined())
            change.element->takeValue(change.value.toString());
        if (!change.checked.isUndefined())
            change.element->takeChecked(change.checked.toBool() || change.checked.toDouble() == 1);
        const TJsonValue& selected = change.selected;
        if (!selected.isUndefined()) {
            TElementExtra* x = change.element->extraIfAny();
            if (!x)
                continue;
            for (THtmlOption& option : x->options)
                option.selected = false;
            selected.forEach([&](const TJsonValue& index) {
                int i = -1;
                if (toInteger(index, &i) && i >= 0 && i < x->options.size())
                    x->options[i].selected = true;
            });
        }
    }
}
