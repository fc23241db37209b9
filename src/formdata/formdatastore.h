#pragma once

#include "formdata/formvaluelist.h"

#include <memory>
#include <unordered_map>

class TTagBase;

// The values of every data set loaded in this run, by data ID (unique across screens).
class TFormDataStore {
public:
    TFormValueList& getOrCreate(int dataId);
    // Raises TError("データは削除されています") when the store does not hold the data set.
    TFormValueList& get(int dataId);
    bool contains(int dataId) const { return m_lists.count(dataId) != 0; }
    void remove(int dataId) { m_lists.erase(dataId); }
    void clear() { m_lists.clear(); }

    // Replaces the values of the data set with the current values under a frame or a form:
    // child frames first, then the frame's own forms; a path met again keeps only its last
    // value, at the later position. Hidden inputs only when asked.
    TFormValueList& fillFromTag(int dataId, const TTagBase& tag, bool includeHidden);

private:
    std::unordered_map<int, std::unique_ptr<TFormValueList>> m_lists;
};

// "データは削除されています"
QString DeletedDataMessage();
