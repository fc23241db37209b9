#include "document/tagtree.h"

#include "document/htmldocument.h"
#include "document/tagaccess.h"
#include "document/tagscript.h"
#include "crypto/masterpassword.h"

namespace {

// "/name[n]" for every frame from the top down to this one.
QString framePath(const TTagFrame* frame)
{
    std::vector<const TTagFrame*> chain;
    for (const TTagFrame* f = frame; f; f = f->Parent())
        chain.push_back(f);
    QString path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        path += QLatin1Char('/') + (*it)->Name() + ((*it)->Index() != -1 ? QStringLiteral("[%1]").arg((*it)->Index()) : QString());
    return path;
}

}

QString TTagBase::CounterText() const
{
    return m_index == -1 ? QString() : QLatin1Char('[') + QString::number(m_index) + QLatin1Char(']');
}

TTagFrame::TTagFrame(TTagFrame* parent, THtmlElement* element, const QString& tagName)
    : TTagBase(element), m_tagName(tagName), m_parent(parent)
{
}

TTagFrame::~TTagFrame() = default;

QString TTagFrame::GetShortPath() const
{
    return QLatin1Char('/') + m_name + CounterText();
}

QString TTagFrame::GetPath() const
{
    return framePath(this);
}

QString TTagFrame::GetCaption() const
{
    if (!m_name.isEmpty())
        return m_name;
    if (!m_src.isEmpty())
        return m_src;
    return m_tagName;
}

TTagFrame* TTagFrame::AddChildFrame(std::unique_ptr<TTagFrame> frame)
{
    m_childFrames.push_back(std::move(frame));
    return m_childFrames.back().get();
}

TTagForm* TTagFrame::AddForm(std::unique_ptr<TTagForm> form)
{
    m_forms.push_back(std::move(form));
    return m_forms.back().get();
}

TTagScript* TTagFrame::AddScript(std::unique_ptr<TTagScript> script)
{
    m_scripts.push_back(std::move(script));
    return m_scripts.back().get();
}

TTagFormPart::TTagFormPart(THtmlElement* element, TTagForm* form, const TTagAccess* accessor)
    : TTagBase(element), m_accessor(accessor), m_form(form)
{
}

QString TTagFormPart::GetShortPath() const
{
    return m_form->GetShortPath() + QLatin1Char('/') + GetLocalName();
}

QString TTagFormPart::GetPath() const
{
    return m_form->GetPath() + QLatin1Char('/') + GetLocalName();
}

QString TTagFormPart::GetName() const
{
    return m_accessor->GetName(Element());
}

QString TTagFormPart::GetLocalName() const
{
    return GetName() + CounterText();
}

QString TTagFormPart::GetType() const
{
    return m_accessor->GetType(Element());
}

QString TTagFormPart::GetValue() const
{
    return m_accessor->GetValue(Element());
}

void TTagFormPart::SetValue(const QString& value) const
{
    InputValue(*m_accessor, Element(), value);
}

TTagForm::TTagForm(THtmlElement* element, TTagFrame* parent)
    : TTagBase(element)
    , m_parent(parent)
    , m_name(element ? element->name() : QString())
    , m_action(element ? element->action() : QString())
    , m_method(element ? element->method() : QString())
{
}

TTagForm::~TTagForm() = default;

QString TTagForm::GetShortPath() const
{
    return m_parent->GetShortPath() + QLatin1Char('/') + m_name + CounterText();
}

QString TTagForm::GetPath() const
{
    return m_parent->GetPath() + QLatin1Char('/') + m_name + CounterText();
}

QString TTagForm::GetCaption() const
{
    return m_name.isEmpty() ? m_action : m_name;
}

void TTagForm::Submit()
{
    Element()->submit();
}

void TTagForm::Reset()
{
    Element()->reset();
}

void TTagForm::SetPartValue(int position, const QString& value)
{
    if (position < 1 || position > int(m_parts.size()))
        return;
    TTagFormPart* part = m_parts[size_t(position - 1)].get();
    part->SetValue(value);
    const QString line = part->GetLocalName() + QLatin1Char('=') + part->GetValue();
    if (position <= m_values.size())
        m_values[position - 1] = line;
}

void TTagForm::RefreshValues()
{
    // The value list only shows values: reading a password field for it asks nothing.
    TMasterPassword::TQuietScope quiet;
    m_values.clear();
    m_values.reserve(qsizetype(m_parts.size()));
    for (const auto& part : m_parts)
        m_values.append(part->GetLocalName() + QLatin1Char('=') + part->GetValue());
}

TTagFormPart* TTagForm::AddPart(std::unique_ptr<TTagFormPart> part)
{
    m_parts.push_back(std::move(part));
    return m_parts.back().get();
}

TTagInputButtonInfo::TTagInputButtonInfo(THtmlElement* element)
    : m_element(element), m_name(element->name()), m_value(element->value()), m_buttonType(element->type())
{
    if (THtmlElement* form = element->form()) {
        m_formName = form->name();
        m_formAction = form->action();
    }
}

QString TTagInputButtonInfo::BaseKey() const
{
    return (m_formName.isEmpty() ? m_formAction : m_formName) + QLatin1Char('.')
        + (m_name.isEmpty() ? m_buttonType : m_name);
}

QString TTagInputButtonInfo::GetKey() const
{
    return m_counter > 0 ? BaseKey() + QLatin1Char('[') + QString::number(m_counter) + QLatin1Char(']') : BaseKey();
}

QString TTagInputButtonInfo::GetCaption() const
{
    return m_value + QStringLiteral(" (") + GetKey() + QLatin1Char(')');
}

void TTagInputButtonInfo::Click()
{
    m_element->click();
}

TTagAnchorInfo::TTagAnchorInfo(THtmlElement* element)
    : m_element(element)
    , m_text(element->innerText())
    , m_imageAlt(element->imageAlt())
    , m_imageSrc(element->imageSrc())
    , m_href(element->href())
{
}

QString TTagAnchorInfo::GetKey() const
{
    return m_counter > 0 ? m_href + QLatin1Char('[') + QString::number(m_counter) + QLatin1Char(']') : m_href;
}

QString TTagAnchorInfo::GetCaption() const
{
    const QString& caption = !m_text.isEmpty() ? m_text : (!m_imageAlt.isEmpty() ? m_imageAlt : m_imageSrc);
    return caption + QStringLiteral(" (") + GetKey() + QLatin1Char(')');
}

void TTagAnchorInfo::Click()
{
    m_element->click();
}

void TTagBaseNameCounter::Add(const QString& name, TTagBase* node)
{
    m_names[FoldedKey(name)].push_back(node);
}

void TTagBaseNameCounter::AssignIndexes()
{
    for (const auto& nodes : std::as_const(m_names)) {
        if (nodes.size() < 2)
            continue;
        for (size_t i = 0; i < nodes.size(); ++i)
            nodes[i]->SetIndex(int(i));
    }
}
