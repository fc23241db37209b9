#include "formdata/formdatastore.h"

#include "core/error.h"
#include "document/tagtree.h"
#include "crypto/masterpassword.h"

QString DeletedDataMessage()
{
    return QStringLiteral("データは削除されています");
}

TFormValueList& TFormDataStore::getOrCreate(int dataId)
{
    auto& slot = m_lists[dataId];
    if (!slot)
        slot = std::make_unique<TFormValueList>();
    return *slot;
}

TFormValueList& TFormDataStore::get(int dataId)
{
    const auto it = m_lists.find(dataId);
    if (it == m_lists.end())
        throw TError(DeletedDataMessage());
    return *it->second;
}

TFormValueList& TFormDataStore::fillFromTag(int dataId, const TTagBase& tag, bool includeHidden)
{
    TFormValueList& values = getOrCreate(dataId);
    values.clear();
    TMasterPassword::TActionScope oneQuestion;
    auto collectForm = [&](const TTagForm& form) {
        for (const auto& part : form.Parts()) {
            const QString path = part->GetPath();
            values.removeName(path);
            if (!includeHidden && part->GetType().toUpper() == QLatin1String("HIDDEN"))
                continue;
            values.append(path, part->GetValue());
        }
    };
    if (const auto* form = dynamic_cast<const TTagForm*>(&tag)) {
        collectForm(*form);
        return values;
    }
    const auto* top = dynamic_cast<const TTagFrame*>(&tag);
    if (!top)
        return values;
    // Child frames first, then the frame's own forms; an explicit stack, as hostile pages
    // may nest frames deeply.
    struct Step {
        const TTagFrame* frame;
        size_t nextChild;
    };
    std::vector<Step> stack { { top, 0 } };
    while (!stack.empty()) {
        Step& step = stack.back();
        if (step.nextChild < step.frame->ChildFrames().size()) {
            const TTagFrame* child = step.frame->ChildFrames()[step.nextChild++].get();
            stack.push_back({ child, 0 });
            continue;
        }
        for (const auto& form : step.frame->Forms())
            collectForm(*form);
        stack.pop_back();
    }
    return values;
}
