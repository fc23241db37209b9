#include "document/tagaccess.h"

#include "document/commalist.h"
#include "document/htmldocument.h"
#include "document/localhost.h"
#include "crypto/passwordcrypt.h"

#include <QHash>
#include <QSet>

namespace {

bool isLocalElement(THtmlElement* element)
{
    THtmlDocument* document = element->document();
    return document && IsLocalURL(document->url());
}

const QString& unchecked()
{
    static const QString kText = QString::fromUtf16(kUncheckedValue);
    return kText;
}

}

QString TTagAccess::GetName(THtmlElement* element) const
{
    return element->name();
}

QString TTagAccessInput::GetType(THtmlElement* element) const
{
    return element->type();
}

QString TTagAccessInput::GetValue(THtmlElement* element) const
{
    return element->value();
}

void TTagAccessInput::SetValue(THtmlElement* element, const QString& text) const
{
    if (!isLocalElement(element)
        && (element->type().toUpper() == QLatin1String("HIDDEN") || element->readOnly()))
        return;
    element->setValue(text);
}

QString TTagAccessInputPassword::GetValue(THtmlElement* element) const
{
    return PasswordEncryptValue(element->value());
}

void TTagAccessInputPassword::SetValue(THtmlElement* element, const QString& text) const
{
    // Nothing decrypted leaves the field alone; a stored empty password empties it.
    if (const std::optional<QString> clear = PasswordDecryptValue(text))
        element->setValue(*clear);
}

QString TTagAccessInputCheckbox::GetValue(THtmlElement* element) const
{
    return element->checked() ? element->value() : unchecked();
}

void TTagAccessInputCheckbox::SetValue(THtmlElement* element, const QString& text) const
{
    if (text == element->value()) {
        element->setChecked(true);
        return;
    }
    element->setChecked(!text.isEmpty() && text != QLatin1String("0") && text != unchecked());
}

QString TTagAccessSelect::GetType(THtmlElement*) const
{
    return QStringLiteral("select");
}

QString TTagAccessSelect::GetValue(THtmlElement* element) const
{
    QStringList values;
    for (const THtmlOption& option : element->options())
        if (option.selected)
            values.append(option.value);
    return values.join(QLatin1Char(','));
}

void TTagAccessSelect::SetValue(THtmlElement* element, const QString& text) const
{
    QSet<QString> wanted;
    if (text.isEmpty())
        wanted.insert(QString());
    else if (!element->multiple())
        wanted.insert(text.toCaseFolded());
    else
        for (const QString& entry : Internal::SplitCommaList(text))
            wanted.insert(entry.toCaseFolded());
    QList<int> selected;
    const QList<THtmlOption> options = element->options();
    for (int i = 0; i < options.size(); ++i)
        if (wanted.contains(options[i].value.toCaseFolded()))
            selected.append(i);
    element->setSelectedOptions(selected);
}

QStringList TTagAccessSelect::GetOptionTexts(THtmlElement* element) const
{
    QStringList texts;
    for (const THtmlOption& option : element->options())
        texts.append(option.text);
    return texts;
}

QStringList TTagAccessSelect::GetOptionValues(THtmlElement* element) const
{
    QStringList values;
    for (const THtmlOption& option : element->options())
        values.append(option.value);
    return values;
}

QString TTagAccessTextarea::GetType(THtmlElement*) const
{
    return QStringLiteral("textarea");
}

QString TTagAccessTextarea::GetValue(THtmlElement* element) const
{
    return element->value();
}

void TTagAccessTextarea::SetValue(THtmlElement* element, const QString& text) const
{
    element->setValue(text);
}

namespace {

// Older engines reported these input types as "text"; they hold typed text all the same.
bool isTextLike(const QString& type)
{
    static const QLatin1String kTextLike[] = {
        QLatin1String("email"), QLatin1String("number"), QLatin1String("search"), QLatin1String("tel"),
        QLatin1String("url"),   QLatin1String("date"),   QLatin1String("time"),   QLatin1String("datetime-local"),
        QLatin1String("month"), QLatin1String("week"),   QLatin1String("color"),  QLatin1String("range"),
    };
    for (QLatin1String textLike : kTextLike)
        if (SameText(type, textLike))
            return true;
    return false;
}

struct TRegistry {
    TTagAccessInputText text;
    TTagAccessInputPassword password;
    TTagAccessInputCheckbox checkbox;
    TTagAccessInputRadio radio;
    TTagAccessInputHidden hidden;
    TTagAccessSelect select;
    TTagAccessTextarea textarea;
    QHash<QString, const TTagAccess*> byKey {
        { QStringLiteral("INPUT_TEXT"), &text },         { QStringLiteral("INPUT_PASSWORD"), &password },
        { QStringLiteral("INPUT_CHECKBOX"), &checkbox }, { QStringLiteral("INPUT_RADIO"), &radio },
        { QStringLiteral("INPUT_HIDDEN"), &hidden },     { QStringLiteral("SELECT"), &select },
        { QStringLiteral("TEXTAREA"), &textarea },
    };
};

const TRegistry& registry()
{
    static const TRegistry kRegistry;
    return kRegistry;
}

}

QString ElementTypeKey(THtmlElement* element)
{
    const QString tag = element->tagName().toUpper();
    if (tag != QLatin1String("INPUT"))
        return tag;
    const QString type = element->type();
    if (isTextLike(type))
        return QStringLiteral("INPUT_TEXT");
    return QStringLiteral("INPUT_") + type.toUpper();
}

const TTagAccess* FindTagAccess(const QString& typeKey)
{
    return registry().byKey.value(typeKey.toUpper());
}

const TTagAccess* TagAccessFor(THtmlElement* element)
{
    // The same answer as the type key look-up, without building the key for every field.
    const TRegistry& r = registry();
    const QString tag = element->tagName();
    if (SameText(tag, QLatin1String("INPUT"))) {
        const QString type = element->type();
        if (SameText(type, QLatin1String("text")) || isTextLike(type))
            return &r.text;
        if (SameText(type, QLatin1String("checkbox")))
            return &r.checkbox;
        if (SameText(type, QLatin1String("radio")))
            return &r.radio;
        if (SameText(type, QLatin1String("hidden")))
            return &r.hidden;
        if (SameText(type, QLatin1String("password")))
            return &r.password;
        return nullptr;
    }
    if (SameText(tag, QLatin1String("SELECT")))
        return &r.select;
    if (SameText(tag, QLatin1String("TEXTAREA")))
        return &r.textarea;
    return nullptr;
}

void InputValue(const TTagAccess& accessor, THtmlElement* element, const QString& text)
{
    if (!isLocalElement(element) && element->disabled())
        return;
    accessor.SetValue(element, text);
}
