#pragma once

#include <QString>

#include <functional>

// The form data entry points the operation commands perform through: writing a saved data
// set into the current page, and comparing one with what the page shows. By default the
// data controller of the main window does both; tests put their own in its place with
// App().setService<TOperationFormData>(...).
class TOperationFormData {
public:
    virtual ~TOperationFormData() = default;

    // False when nothing was written (no data controller, no page, no such data set).
    virtual bool InputData(const QString& screenId, int dataId);
    // Calls done once with whether every compared value was equal; false without a data
    // controller.
    virtual void CompareForm(int dataId, std::function<void(bool allEqual)> done);
};
