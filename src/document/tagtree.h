#pragma once

#include "core/textkey.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

class THtmlDocument;
class THtmlElement;
class TTagAccess;
class TTagForm;
class TTagFrame;
class TTagScript;

// A node of the tag tree: a frame, a form, a form part or a script.
class TTagBase {
public:
    explicit TTagBase(THtmlElement* element = nullptr) : m_element(element) {}
    virtual ~TTagBase() = default;
    TTagBase(const TTagBase&) = delete;
    TTagBase& operator=(const TTagBase&) = delete;

    virtual QString GetShortPath() const = 0;
    virtual QString GetPath() const = 0;

    // Position among siblings of the same name; -1 when the name is unique there.
    int Index() const { return m_index; }
    void SetIndex(int index) { m_index = index; }
    THtmlElement* Element() const { return m_element; }

protected:
    // "[n]" when the node has a counter, else empty.
    QString CounterText() const;

private:
    int m_index = -1;
    THtmlElement* m_element = nullptr;
};

// The page size in pixels.
struct TScreenSize {
    int Width = 0;
    int Height = 0;
};

// One document level: the top document, a FRAME, an IFRAME or a nested FRAMESET.
class TTagFrame final : public TTagBase {
public:
    // The top document has no parent and an empty tag name.
    TTagFrame(TTagFrame* parent, THtmlElement* element, const QString& tagName);
    ~TTagFrame() override;

    QString GetShortPath() const override;
    QString GetPath() const override;
    // Name; when empty, Src; when that is empty too, TagName.
    QString GetCaption() const;

    const QString& TagName() const { return m_tagName; }
    TTagFrame* Parent() const { return m_parent; }
    const QString& Name() const { return m_name; }
    const QString& Src() const { return m_src; }
    // The frame's document; none for a nested frameset and for an unreachable frame.
    THtmlDocument* Document() const { return m_document; }

    const std::vector<std::unique_ptr<TTagFrame>>& ChildFrames() const { return m_childFrames; }
    const std::vector<std::unique_ptr<TTagForm>>& Forms() const { return m_forms; }
    const std::vector<std::unique_ptr<TTagScript>>& Scripts() const { return m_scripts; }

    // Building (the parser).
    void SetName(const QString& name) { m_name = name; }
    void SetSrc(const QString& src) { m_src = src; }
    void SetDocument(THtmlDocument* document) { m_document = document; }
    TTagFrame* AddChildFrame(std::unique_ptr<TTagFrame> frame);
    TTagForm* AddForm(std::unique_ptr<TTagForm> form);
    TTagScript* AddScript(std::unique_ptr<TTagScript> script);

private:
    QString m_tagName;
    TTagFrame* m_parent = nullptr;
    QString m_name;
    QString m_src;
    std::vector<std::unique_ptr<TTagFrame>> m_childFrames;
    std::vector<std::unique_ptr<TTagForm>> m_forms;
    std::vector<std::unique_ptr<TTagScript>> m_scripts;
    THtmlDocument* m_document = nullptr;
};

// An input, selection list or text area of a form.
class TTagFormPart final : public TTagBase {
public:
    TTagFormPart(THtmlElement* element, TTagForm* form, const TTagAccess* accessor);

    QString GetShortPath() const override;
    QString GetPath() const override;

    QString GetName() const;
    // The name with its counter: "sex[1]".
    QString GetLocalName() const;
    QString GetType() const;
    QString GetValue() const;
    // The guarded write: what the page's locality allows (see tagaccess.h).
    void SetValue(const QString& value) const;

    const TTagAccess* Accessor() const { return m_accessor; }
    TTagForm* Form() const { return m_form; }

private:
    const TTagAccess* m_accessor = nullptr;
    TTagForm* m_form = nullptr;
};

// A form of one frame's document.
class TTagForm final : public TTagBase {
public:
    // Reads name, action and method from the element now.
    TTagForm(THtmlElement* element, TTagFrame* parent);
    ~TTagForm() override;

    QString GetShortPath() const override;
    QString GetPath() const override;
    // Name, or Action when the name is empty.
    QString GetCaption() const;

    TTagFrame* Parent() const { return m_parent; }
    const QString& Name() const { return m_name; }
    const QString& Action() const { return m_action; }
    const QString& Method() const { return m_method; }
    const std::vector<std::unique_ptr<TTagFormPart>>& Parts() const { return m_parts; }
    // "localname=value" per part, in Parts order, as read at parse time or by the last
    // RefreshValues / SetPartValue.
    const QStringList& Values() const { return m_values; }

    void Submit();
    void Reset();
    // Writes through the part at the 1-based position and reads the value back into Values.
    void SetPartValue(int position, const QString& value);
    void RefreshValues();

    TTagFormPart* AddPart(std::unique_ptr<TTagFormPart> part);

private:
    TTagFrame* m_parent = nullptr;
    QString m_name;
    QString m_action;
    QString m_method;
    std::vector<std::unique_ptr<TTagFormPart>> m_parts;
    QStringList m_values;
};

// A clickable input button (type button or submit) of any document of the page.
class TTagInputButtonInfo {
public:
    explicit TTagInputButtonInfo(THtmlElement* element);

    // (FormName, or FormAction) + "." + (Name, or ButtonType) + "[Counter]" when above 0.
    QString GetKey() const;
    // Value + " (" + key + ")".
    QString GetCaption() const;
    void Click();

    THtmlElement* Element() const { return m_element; }
    const QString& FormName() const { return m_formName; }
    const QString& FormAction() const { return m_formAction; }
    const QString& Name() const { return m_name; }
    const QString& Value() const { return m_value; }
    const QString& ButtonType() const { return m_buttonType; }
    int Counter() const { return m_counter; }
    void SetCounter(int counter) { m_counter = counter; }
    // The key without its counter.
    QString BaseKey() const;

private:
    THtmlElement* m_element = nullptr;
    QString m_formName;
    QString m_formAction;
    QString m_name;
    QString m_value;
    QString m_buttonType;
    int m_counter = 0;
};

// An anchor with a link, of any document of the page.
class TTagAnchorInfo {
public:
    explicit TTagAnchorInfo(THtmlElement* element);

    // Href + "[Counter]" when above 0.
    QString GetKey() const;
    // (Text, or ImageAlt, or ImageSrc) + " (" + key + ")".
    QString GetCaption() const;
    void Click();

    THtmlElement* Element() const { return m_element; }
    const QString& Text() const { return m_text; }
    const QString& ImageAlt() const { return m_imageAlt; }
    const QString& ImageSrc() const { return m_imageSrc; }
    const QString& Href() const { return m_href; }
    int Counter() const { return m_counter; }
    void SetCounter(int counter) { m_counter = counter; }
    QString BaseKey() const { return m_href; }

private:
    THtmlElement* m_element = nullptr;
    QString m_text;
    QString m_imageAlt;
    QString m_imageSrc;
    QString m_href;
    int m_counter = 0;
};

// An ordered list of entries under text keys that compare without regard to letter case.
template <class T>
class TKeyedList {
public:
    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    const QString& keyAt(int i) const { return m_entries[size_t(i)].first; }
    T* at(int i) const { return m_entries[size_t(i)].second; }
    bool contains(const QString& key) const { return m_index.contains(FoldedKey(key)); }
    T* find(const QString& key) const
    {
        const auto it = m_index.constFind(FoldedKey(key));
        return it == m_index.cend() ? nullptr : m_entries[size_t(*it)].second;
    }
    int indexOf(const QString& key) const { return m_index.value(FoldedKey(key), -1); }
    void clear()
    {
        m_entries.clear();
        m_index.clear();
    }
    // Fills the list from entries in order; of entries under the same key only the last
    // stays, at its own position (a later entry replaces an earlier one).
    void assignKeepingLast(std::vector<std::pair<QString, T*>> entries)
    {
        clear();
        // From the end: the first entry met under a key is the one that stays; positions
        // are counted from the end and turned round once all are known.
        m_index.reserve(qsizetype(entries.size()));
        std::vector<bool> kept(entries.size(), false);
        int count = 0;
        for (size_t i = entries.size(); i-- > 0;) {
            const qsizetype known = m_index.size();
            int& position = m_index[FoldedKey(entries[i].first)];
            if (m_index.size() != known) {
                position = count++;
                kept[i] = true;
            }
        }
        for (int& position : m_index)
            position = count - 1 - position;
        m_entries.reserve(size_t(count));
        for (size_t i = 0; i < entries.size(); ++i) {
            if (kept[i])
                m_entries.push_back(std::move(entries[i]));
        }
    }
    // Appends a key that is not present yet.
    void append(const QString& key, T* value)
    {
        m_index.insert(FoldedKey(key), int(m_entries.size()));
        m_entries.emplace_back(key, value);
    }

private:
    std::vector<std::pair<QString, T*>> m_entries;
    QHash<QString, int> m_index;
};

// Names the nodes of one sibling group: nodes added under the same name (without regard
// to letter case) get the counters 0, 1, 2... in the order of adding.
class TTagBaseNameCounter {
public:
    void Add(const QString& name, TTagBase* node);
    void AssignIndexes();

private:
    QHash<QString, std::vector<TTagBase*>> m_names;
};
