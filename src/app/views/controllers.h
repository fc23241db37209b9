#pragma once

class TMainForm;

// Creates the controllers and adds them to the listener list in listening order:
// TMainAction, TViewAction, TTabAction, TFavoriteAction, THistoryAction, TAddressAction,
// TFindAction, TFormAction, TDataAction, TFileAction, TEditAction, TJSAction,
// TCaptureAction, TTestAction, THelpAction, TPageControlAction, ServerAction, and last
// TMainFormAction. The tab and data controllers are created first.
void CreateControllers(TMainForm& form);
