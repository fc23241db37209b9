#pragma once

#include <QList>
#include <QString>

class THtmlDocument;
class TPageChannel;

// Letter case ignored; texts of another length are told apart without comparing, and the
// engine's own spelling (tags in capitals, types in small letters) matches at once.
inline bool SameText(const QString& text, QLatin1String wanted)
{
    return text.size() == wanted.size() && (text == wanted || text.compare(wanted, Qt::CaseInsensitive) == 0);
}

// One option of a selection list.
struct THtmlOption {
    QString value;
    QString text;
    bool selected = false;
};

// An element of a loaded page as the document model reads and changes it. One interface
// for every tag: a member that does not apply to the element's tag reads as an empty text,
// false or 0 and writes nothing. A call that cannot be carried out raises TError.
class THtmlElement {
public:
    virtual ~THtmlElement() = default;

    virtual THtmlDocument* document() const = 0;
    virtual int handle() const = 0;
    virtual QString tagName() const = 0; // upper case
    virtual QString id() const = 0;
    virtual QString innerText() const = 0;
    virtual QString outerHTML() const = 0;
    virtual QString language() const = 0;
    // The direct children the model reads (the FRAME and FRAMESET children of a frameset).
    virtual QList<THtmlElement*> children() const = 0;
    virtual bool disabled() const = 0;
    virtual void click() = 0;

    // FORM, INPUT, SELECT, TEXTAREA, FRAME, IFRAME and the other form items.
    virtual QString name() const = 0;
    // INPUT (lower case, as the page reports it), BUTTON and the other form items.
    virtual QString type() const = 0;

    // INPUT and TEXTAREA.
    virtual QString value() const = 0;
    virtual void setValue(const QString& value) = 0;
    virtual bool readOnly() const = 0;
    virtual bool checked() const = 0;
    virtual void setChecked(bool checked) = 0;
    // INPUT: its form, or none.
    virtual THtmlElement* form() const = 0;

    // FORM: the attribute texts and the form's elements in document order.
    virtual QString action() const = 0;
    virtual QString method() const = 0;
    virtual QList<THtmlElement*> items() const = 0;
    virtual void submit() = 0;
    virtual void reset() = 0;

    // SELECT.
    virtual bool multiple() const = 0;
    virtual QList<THtmlOption> options() const = 0;
    // Selects exactly the options at these indexes (option order), clearing the others.
    virtual void setSelectedOptions(const QList<int>& indexes) = 0;

    // SCRIPT: `src` as written, the inline text.
    virtual QString src() const = 0; // also FRAME and IFRAME
    // FRAME and IFRAME: the position of the element's own window among its document's
    // frames (frameDocument), or -1 when the page did not tell; the parser then pairs the
    // elements with the windows by position.
    virtual int frameIndex() const { return -1; }
    virtual QString text() const = 0;

    // META.
    virtual QString httpEquiv() const = 0;
    virtual QString content() const = 0;

    // A: the absolute address; alt and src of the last IMG among its direct children.
    virtual QString href() const = 0;
    virtual QString imageAlt() const = 0;
    virtual QString imageSrc() const = 0;

    // FRAMESET: the raw attribute texts.
    virtual QString rows() const = 0;
    virtual QString cols() const = 0;

    // BODY: pixel sizes.
    virtual int scrollWidth() const = 0;
    virtual int scrollHeight() const = 0;
    virtual int leftMargin() const = 0;
    virtual int rightMargin() const = 0;
    virtual int topMargin() const = 0;
    virtual int bottomMargin() const = 0;
};

// One document of a loaded page: the top document or the document of a frame.
class THtmlDocument {
public:
    virtual ~THtmlDocument() = default;

    // The number by which the page channel addresses this document.
    virtual int handle() const = 0;
    virtual QString url() const = 0;
    virtual QString title() const = 0;
    // None for a frameset document.
    virtual THtmlElement* body() const = 0;

    // The windows of the FRAME and IFRAME elements, in document order.
    virtual int frameCount() const = 0;
    // The document of frame `index`; raises TError when it belongs to another origin or
    // there is no such frame.
    virtual THtmlDocument* frameDocument(int index) const = 0;

    virtual QList<THtmlElement*> forms() const = 0;
    virtual QList<THtmlElement*> scripts() const = 0;
    // Case-insensitive tag name; document order.
    virtual QList<THtmlElement*> elementsByTagName(const QString& tagName) const = 0;
    // None when no element has the id.
    virtual THtmlElement* elementById(const QString& id) const = 0;

    // The text of an external script from the browser's cache; empty when not cached.
    // Scripts are never downloaded for this.
    virtual QString cachedScriptText(const QString& address) const = 0;
    // Why the external script at the address cannot be read at all (a script of another
    // origin), or empty when it can or when it is merely not cached.
    virtual QString scriptReadError(const QString& address) const
    {
        (void)address;
        return QString();
    }

    // The road to the live page for script evaluation; none for a page without one.
    virtual TPageChannel* channel() const = 0;
};
