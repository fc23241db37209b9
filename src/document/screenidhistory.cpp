#include "document/screenidhistory.h"

void TScreenIDHistory::add(const QString& screenId)
{
    const QString folded = screenId.toCaseFolded();
    if (m_folded.contains(folded))
        return;
    m_folded.insert(folded);
    m_items.append(screenId);
}
