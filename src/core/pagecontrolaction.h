#pragma once

#include "core/eventbus.h"

class TLayoutSettings;

// The page switching commands: each brings one page of a side panel to the front
// (favorites, history and tabs on the left; forms, data and JavaScript on the right),
// opening the panel first when it is collapsed. It handles no events.
class TPageControlAction final : public TActionCalverdine {
    Q_OBJECT
public:
    explicit TPageControlAction(TLayoutSettings& layout, QObject* parent = nullptr);

private:
    void showPage(bool left, int index);

    TLayoutSettings& m_layout;
};
