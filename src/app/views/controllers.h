#pragma once

#include <functional>

class TEngineProfile;
class TMainForm;

// Creates the controllers and adds them to the listener list in listening order:
// TMainAction, TViewAction, TTabAction, TFavoriteAction, THistoryAction, TAddressAction,
// TFindAction, TFormAction, TDataAction, TFileAction, TEditAction, TJSAction,
// TCaptureAction, TTestAction, THelpAction, TPageControlAction, ServerAction, and last
// TMainFormAction. The tab and data controllers are created first. The tabs use the
// application's own engine profile, stored in the home directory.
void CreateControllers(TMainForm& form);
// The same with the tabs sharing the given engine profile (not owned; it outlives the window).
void CreateControllersSharingProfile(TMainForm& form, TEngineProfile& profile);

// Shows the data panel, selects the first data set of the current screen and compares the
// page with it, as the comparison command does; calls `then` once the report is written (at
// once when there is nothing to compare). The screenshot of the README is taken after it.
void CompareWithFirstDataSet(const std::function<void()>& then);
