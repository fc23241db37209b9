#include "operation/operationformdata.h"

#include "formdata/dataaction.h"

bool TOperationFormData::InputData(const QString& screenId, int dataId)
{
    TDataAction* data = TDataAction::instance();
    return data && data->InputData(screenId, dataId);
}

void TOperationFormData::CompareForm(int dataId, std::function<void(bool allEqual)> done)
{
    TDataAction* data = TDataAction::instance();
    if (!data) {
        done(false);
        return;
    }
    data->CompareForm(dataId, std::move(done));
}
