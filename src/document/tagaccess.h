#pragma once

#include <QString>
#include <QStringList>

class THtmlElement;

// The stored value of an unchecked check box or radio button.
inline constexpr char16_t kUncheckedValue[] = u"__UN_CHECKED_VAL__";

// Turns the state of one kind of form element into a text and back. The instances are
// shared and keep no state; failures of the element reach the caller.
class TTagAccess {
public:
    virtual ~TTagAccess() = default;

    virtual QString GetName(THtmlElement* element) const;
    virtual QString GetType(THtmlElement* element) const = 0;
    virtual QString GetValue(THtmlElement* element) const = 0;
    virtual void SetValue(THtmlElement* element, const QString& text) const = 0;
};

// Inputs: on a page that is not local, hidden and read-only inputs are not written.
class TTagAccessInput : public TTagAccess {
public:
    QString GetType(THtmlElement* element) const override;
    QString GetValue(THtmlElement* element) const override;
    void SetValue(THtmlElement* element, const QString& text) const override;
};

class TTagAccessInputText : public TTagAccessInput {};
class TTagAccessInputHidden : public TTagAccessInput {};

// Reads the encrypted stored form of the value and writes back the decrypted clear text.
class TTagAccessInputPassword : public TTagAccessInput {
public:
    QString GetValue(THtmlElement* element) const override;
    void SetValue(THtmlElement* element, const QString& text) const override;
};

// The element's value when checked, the unchecked marker otherwise.
class TTagAccessInputCheckbox : public TTagAccessInput {
public:
    QString GetValue(THtmlElement* element) const override;
    void SetValue(THtmlElement* element, const QString& text) const override;
};

class TTagAccessInputRadio : public TTagAccessInputCheckbox {};

// The values of the selected options joined with ",".
class TTagAccessSelect : public TTagAccess {
public:
    QString GetType(THtmlElement* element) const override;
    QString GetValue(THtmlElement* element) const override;
    void SetValue(THtmlElement* element, const QString& text) const override;

    QStringList GetOptionTexts(THtmlElement* element) const;
    QStringList GetOptionValues(THtmlElement* element) const;
};

class TTagAccessTextarea : public TTagAccess {
public:
    QString GetType(THtmlElement* element) const override;
    QString GetValue(THtmlElement* element) const override;
    void SetValue(THtmlElement* element, const QString& text) const override;
};

// The element type key: the tag name, or "INPUT_" + the input's type, in upper case.
// Text-like input types of current pages (email, number, search...) count as text.
QString ElementTypeKey(THtmlElement* element);

// The shared accessor of an element type key ("INPUT_TEXT", "SELECT"...), or none when
// elements of that kind are not form parts.
const TTagAccess* FindTagAccess(const QString& typeKey);

// The shared accessor of the element's type key, or none (FindTagAccess(ElementTypeKey)).
const TTagAccess* TagAccessFor(THtmlElement* element);

// The entry of every write of stored data: on a page that is not local a disabled
// element is left alone; otherwise the accessor writes.
void InputValue(const TTagAccess& accessor, THtmlElement* element, const QString& text);
