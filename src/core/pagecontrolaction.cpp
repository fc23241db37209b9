#include "core/pagecontrolaction.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/layoutsettings.h"
#include "core/mainwindowhost.h"

#include <QAction>

namespace {

struct PageCommand {
    const char* name;
    bool left;
    int index;
};

const PageCommand kPageCommands[] = {
    { "ActionPageControlShowTabSheetFavorite", true, 0 },
    { "ActionPageControlShowTabSheetHistory", true, 1 },
    { "ActionPageControlShowTabSheetTab", true, 2 },
    { "ActionPageControlShowTabSheetForm", false, 0 },
    { "ActionPageControlShowTabSheetData", false, 1 },
    { "ActionPageControlShowTabSheetJS", false, 2 },
};

} // namespace

TPageControlAction::TPageControlAction(TLayoutSettings& layout, QObject* parent)
    : TActionCalverdine(parent), m_layout(layout)
{
    setObjectName(QStringLiteral("TPageControlAction"));
    for (const PageCommand& c : kPageCommands) {
        QAction* a = App().commands().claim(QString::fromLatin1(c.name), objectName());
        if (!a)
            continue;
        const bool left = c.left;
        const int index = c.index;
        connect(a, &QAction::triggered, this, [this, left, index] { showPage(left, index); });
    }
}

void TPageControlAction::showPage(bool left, int index)
{
    const TPanel panel = left ? TPanel::Left : TPanel::Right;
    m_layout.openPanel(panel);
    m_layout.setPageIndex(panel, index);
    if (TMainWindowHost* host = App().mainWindow) {
        if (left)
            host->showLeftPage(index);
        else
            host->showRightPage(index);
        host->focusPanel(panel);
    }
}
