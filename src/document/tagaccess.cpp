#include "document/tagaccess.h"

#include "document/commalist.h"
#include "document/htmldocument.h"
#include "document/localhost.h"
#include "formdata/passwordcrypt.h"

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
    const std::optional<QString> clear = PasswordDecryptValue(text);
    if (clear && !clear->isEmpty())
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

QString ElementTypeKey(THtmlElement* element)
{
    const QString tag = element->tagName().toUpper();
    if (tag != QLatin1String("INPUT"))
        return tag;
    // Older engines reported these types as "text"; they hold typed text all the same.
    static const QSet<QString> kTextLike = { QStringLiteral("EMAIL"),  QStringLiteral("NUMBER"),
                                             QStringLiteral("SEARCH"), QStringLiteral("TEL"),
                                             QStringLiteral("URL"),    QStringLiteral("DATE"),
                                             QStringLiteral("TIME"),   QStringLiteral("DATETIME-LOCAL"),
                                             QStringLiteral("MONTH"),  QStringLiteral("WEEK"),
                                             QStringLiteral("COLOR"),  QStringLiteral("RANGE") };
    const QString type = element->type().toUpper();
    if (kTextLike.contains(type))
        return QStringLiteral("INPUT_TEXT");
    return QStringLiteral("INPUT_") + type;
}

const TTagAccess* FindTagAccess(const QString& typeKey)
{
    static const TTagAccessInputText kText;
    static const TTagAccessInputPassword kPassword;
    static const TTagAccessInputCheckbox kCheckbox;
    static const TTagAccessInputRadio kRadio;
    static const TTagAccessInputHidden kHidden;
    static const TTagAccessSelect kSelect;
    static const TTagAccessTextarea kTextarea;
    static const QHash<QString, const TTagAccess*> kRegistry = {
        { QStringLiteral("INPUT_TEXT"), &kText },       { QStringLiteral("INPUT_PASSWORD"), &kPassword },
        { QStringLiteral("INPUT_CHECKBOX"), &kCheckbox }, { QStringLiteral("INPUT_RADIO"), &kRadio },
        { QStringLiteral("INPUT_HIDDEN"), &kHidden },   { QStringLiteral("SELECT"), &kSelect },
        { QStringLiteral("TEXTAREA"), &kTextarea },
    };
    return kRegistry.value(typeKey.toUpper());
}

void InputValue(const TTagAccess& accessor, THtmlElement* element, const QString& text)
{
    if (!isLocalElement(element) && element->disabled())
        return;
    accessor.SetValue(element, text);
}
