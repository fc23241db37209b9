#include "formdefine/formtree.h"
#include "core/textkey.h"

#include "document/calverdinedocument.h"
#include "document/htmldocument.h"
#include "document/tagaccess.h"
#include "document/tagtree.h"
#include "formdata/formdatacommon.h"
#include "formdata/liverefresh.h"
#include "formdefine/formdefinegrid.h"

#include <QPointer>

namespace {

QString shown(const QString& value)
{
    return value == QStringView(kUncheckedValue) ? QString() : value;
}

}

TTagBase* TFormTree::TFormTreeNode::tag() const
{
    if (form)
        return form;
    return frame;
}

TFormTree::TFormTree(TFormDefineGrid& grid, QObject* parent) : QObject(parent), m_grid(grid)
{
    m_grid.setPartsValid([this] { return valid(); });
    clear(QStringLiteral("画面ID"));
}

bool TFormTree::valid() const
{
    return m_document && formdata::showsModel(m_tabId, m_document);
}

void TFormTree::clear(const QString& rootText)
{
    m_document = nullptr;
    m_tabId = 0;
    m_nodes.clear();
    m_nodes.push_back({ -1, rootText, nullptr, nullptr });
    m_selected = kNoNode;
    m_rows.clear();
    m_grid.reset();
    Q_EMIT treeChanged();
    Q_EMIT rowsChanged();
}

void TFormTree::rebuild(TCalverdineDocument* document, int tabId)
{
    clear(document ? document->ScreenID() : QStringLiteral("画面ID"));
    m_document = document;
    m_tabId = tabId;
    if (document && document->RootFrame()) {
        for (const auto& child : document->RootFrame()->ChildFrames())
            addFrame(child.get(), 0);
        addForms(document->RootFrame(), 0);
    }
    Q_EMIT treeChanged();
}

void TFormTree::addFrame(TTagFrame* frame, int parent)
{
    // Hostile pages may nest frames deeply: an explicit stack. Child frames come first,
    // then the frame's own forms.
    struct Step {
        TTagFrame* frame;
        int node;
        size_t nextChild;
    };
    m_nodes.push_back({ parent, frame->GetCaption(), frame, nullptr });
    std::vector<Step> stack { { frame, int(m_nodes.size()) - 1, 0 } };
    while (!stack.empty()) {
        Step& top = stack.back();
        if (top.nextChild < top.frame->ChildFrames().size()) {
            TTagFrame* child = top.frame->ChildFrames()[top.nextChild++].get();
            const int under = top.node;
            m_nodes.push_back({ under, child->GetCaption(), child, nullptr });
            stack.push_back({ child, int(m_nodes.size()) - 1, 0 });
            continue;
        }
        addForms(top.frame, top.node);
        stack.pop_back();
    }
}

void TFormTree::addForms(TTagFrame* frame, int parent)
{
    for (const auto& form : frame->Forms())
        m_nodes.push_back({ parent, form->GetCaption(), nullptr, form.get() });
}

TTagBase* TFormTree::selectedTag() const
{
    if (m_selected <= 0 || size_t(m_selected) >= m_nodes.size() || !valid())
        return nullptr;
    return m_nodes[size_t(m_selected)].tag();
}

TTagForm* TFormTree::selectedForm() const
{
    if (m_selected <= 0 || size_t(m_selected) >= m_nodes.size() || !valid())
        return nullptr;
    return m_nodes[size_t(m_selected)].form;
}

bool TFormTree::frameHasDocument(int node) const
{
    if (node <= 0 || size_t(node) >= m_nodes.size() || !valid())
        return false;
    const TTagFrame* frame = m_nodes[size_t(node)].frame;
    return frame && frame->Document();
}

void TFormTree::select(int node)
{
    if (node < 0 || size_t(node) >= m_nodes.size())
        return;
    m_filling = true;
    m_selected = node;
    const TFormTreeNode& entry = m_nodes[size_t(node)];
    if (!entry.form || !valid()) {
        if (!m_rows.isEmpty()) {
            m_rows.clear();
            m_grid.reset();
            Q_EMIT rowsChanged();
        }
        m_filling = false;
        Q_EMIT selectionStateChanged(false, frameHasDocument(node), entry.tag() != nullptr && valid());
        return;
    }
    TTagForm& form = *entry.form;
    m_rows.clear();
    try {
        form.RefreshValues();
        fillRows(form);
        m_grid.fill(m_document->ScreenID(), form);
    } catch (...) {
        // A definition file that cannot be read: the values stay shown, edits work again.
        m_filling = false;
        Q_EMIT rowsChanged();
        throw;
    }
    m_filling = false;
    Q_EMIT rowsChanged();
    Q_EMIT selectionStateChanged(true, false, true);
}

QString TFormTree::shownValue(const TTagForm& form, int index) const
{
    const auto& parts = form.Parts();
    if (index < 0 || size_t(index) >= parts.size())
        return QString();
    const QString line = form.Values().value(index);
    const QString key = parts[size_t(index)]->GetLocalName();
    return shown(line.mid(key.size() + 1));
}

void TFormTree::fillRows(TTagForm& form)
{
    const auto& parts = form.Parts();
    for (size_t i = 0; i < parts.size(); ++i)
        m_rows << TValueRow { parts[i]->GetLocalName(), shownValue(form, int(i)), parts[i]->GetType().toUpper() };
}

void TFormTree::editValue(int row, const QString& text)
{
    if (m_filling || row < 0 || row >= m_rows.size())
        return;
    TTagForm* form = selectedForm();
    if (!form || size_t(row) >= form->Parts().size())
        return;
    TTagFormPart* part = form->Parts()[size_t(row)].get();
    const QString type = part->GetType().toUpper();
    if (type == QLatin1String("PASSWORD")) {
        // Passwords are not written from here: the row shows its earlier text again.
        Q_EMIT rowChanged(row);
        return;
    }
    form->SetPartValue(row + 1, text);
    m_document->flushWrites();
    m_rows[row].value = shownValue(*form, row);
    Q_EMIT rowChanged(row);
    if (type != QLatin1String("RADIO"))
        return;
    // The page unchecked the other buttons of the name: their rows and the value list follow.
    const QString name = part->GetName();
    QHash<QString, int> rowOfKey;
    for (int r = 0; r < m_rows.size(); ++r)
        rowOfKey.insert(FoldedKey(m_rows[r].key), r);
    QList<int> cleared;
    for (int k = 0;; ++k) {
        const QString key = name + QLatin1Char('[') + QString::number(k) + QLatin1Char(']');
        const int other = rowOfKey.value(FoldedKey(key), -1);
        if (other < 0)
            break;
        if (other != row && !m_rows[other].value.isEmpty())
            cleared << other;
    }
    if (cleared.isEmpty())
        return;
    form->RefreshValues();
    for (int other : cleared) {
        m_rows[other].value = shownValue(*form, other);
        Q_EMIT rowChanged(other);
    }
}

bool TFormTree::selectChoice(int row, TSelectChoice* choice) const
{
    TTagForm* form = selectedForm();
    if (!form || row < 0 || size_t(row) >= form->Parts().size())
        return false;
    TTagFormPart* part = form->Parts()[size_t(row)].get();
    const auto* select = dynamic_cast<const TTagAccessSelect*>(part->Accessor());
    if (!select)
        return false;
    choice->values = select->GetOptionValues(part->Element());
    choice->texts = select->GetOptionTexts(part->Element());
    choice->multiple = part->Element()->multiple();
    choice->current = part->GetValue().isEmpty() ? QStringList() : part->GetValue().split(QLatin1Char(','));
    return true;
}

void TFormTree::chooseOptions(int row, const QStringList& values)
{
    editValue(row, values.join(QLatin1Char(',')));
}

void TFormTree::submit()
{
    if (TTagForm* form = selectedForm()) {
        form->Submit();
        m_document->flushWrites();
    }
}

void TFormTree::reset()
{
    TTagForm* form = selectedForm();
    if (!form)
        return;
    form->Reset();
    m_document->flushWrites();
    // The page put its defaults back: read them before showing the form again.
    refreshLive();
}

void TFormTree::refreshLive()
{
    if (!selectedForm())
        return;
    TCalverdineDocument* document = m_document;
    const int tabId = m_tabId;
    const int node = m_selected;
    QPointer<TFormTree> self(this);
    RefreshLiveValues(*document, this, [tabId, document] { return formdata::showsModel(tabId, document); },
                      [self, document, node](const QString& error) {
                          if (!self || self->m_document != document || self->m_selected != node)
                              return;
                          if (!error.isEmpty())
                              Q_EMIT self->refreshFailed(error);
                          self->reselect();
                      });
}
