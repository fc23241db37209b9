#include "core/layoutsettings.h"

#include "core/inifile.h"

#include <QFileInfo>

namespace {

struct PanelKeys {
    const char* section;
    const char* sizeKey; // the remembered size
};

PanelKeys keysOf(TPanel panel)
{
    switch (panel) {
    case TPanel::Left:
        return { "PanelLeft", "Width" };
    case TPanel::Right:
        return { "PanelRight", "Width" };
    case TPanel::Console:
        break;
    }
    return { "PanelConsole", "Height" };
}

constexpr TPanel kPanels[] = { TPanel::Left, TPanel::Right, TPanel::Console };

} // namespace

void TPanelSize::toggle()
{
    if (shown > 0) {
        remembered = shown;
        shown = 0;
    } else {
        shown = remembered > 0 ? remembered : kExpandedWhenUnknown;
    }
}

void TPanelSize::resize(int size)
{
    shown = qMax(0, size);
    if (shown > 0)
        remembered = shown;
}

TLayoutSettings::TLayoutSettings(QObject* parent) : QObject(parent)
{
    reset();
}

void TLayoutSettings::reset()
{
    m_geometry = QRect(0, 0, kDesignWidth, kDesignHeight);
    m_left = { kDesignLeftWidth, kDesignLeftWidth };
    m_right = { kDesignRightWidth, kDesignRightWidth };
    m_console = { kDesignConsoleHeight, kDesignConsoleHeight };
    m_leftIndex = m_rightIndex = m_consoleIndex = 0;
    m_findWidth = kDesignFindWidth;
    m_editFormHeight = kDesignEditFormHeight;
    m_editJSHeight = kDesignEditJSHeight;
}

TPanelSize& TLayoutSettings::panelRef(TPanel panel)
{
    switch (panel) {
    case TPanel::Left:
        return m_left;
    case TPanel::Right:
        return m_right;
    case TPanel::Console:
        break;
    }
    return m_console;
}

const TPanelSize& TLayoutSettings::panel(TPanel panel) const
{
    return const_cast<TLayoutSettings*>(this)->panelRef(panel);
}

int TLayoutSettings::pageIndex(TPanel panel) const
{
    switch (panel) {
    case TPanel::Left:
        return m_leftIndex;
    case TPanel::Right:
        return m_rightIndex;
    case TPanel::Console:
        break;
    }
    return m_consoleIndex;
}

int TLayoutSettings::pageCount(TPanel panel)
{
    switch (panel) {
    case TPanel::Left:
        return kLeftPageCount;
    case TPanel::Right:
        return kRightPageCount;
    case TPanel::Console:
        break;
    }
    return kConsolePageCount;
}

void TLayoutSettings::setPageIndex(TPanel panel, int index)
{
    if (index < 0 || index >= pageCount(panel))
        index = 0;
    int& slot = panel == TPanel::Left ? m_leftIndex : panel == TPanel::Right ? m_rightIndex : m_consoleIndex;
    if (slot == index)
        return;
    slot = index;
    Q_EMIT pageIndexChanged(panel, index);
}

void TLayoutSettings::togglePanel(TPanel panel)
{
    panelRef(panel).toggle();
    Q_EMIT panelChanged(panel);
}

void TLayoutSettings::resizePanel(TPanel panel, int size)
{
    TPanelSize& p = panelRef(panel);
    const TPanelSize before = p;
    p.resize(size);
    if (p.shown != before.shown || p.remembered != before.remembered)
        Q_EMIT panelChanged(panel);
}

void TLayoutSettings::openPanel(TPanel panel)
{
    if (!panelRef(panel).isOpen())
        togglePanel(panel);
}

void TLayoutSettings::dragConsoleSplitter(int currentHeight, int pressY, int releaseY, int available)
{
    const qint64 wanted = qint64(currentHeight) + qint64(pressY) - qint64(releaseY);
    const int limit = qMax(0, available);
    const int height = int(qBound(qint64(0), wanted, qint64(limit)));
    m_console.shown = height;
    if (height > 0)
        m_console.remembered = height;
    Q_EMIT panelChanged(TPanel::Console);
}

void TLayoutSettings::read(const TIniFile& ini)
{
    const QString form = QStringLiteral("Form");
    const int top = ini.readInteger(form, QStringLiteral("Top"), m_geometry.top());
    const int left = ini.readInteger(form, QStringLiteral("Left"), m_geometry.left());
    const int width = ini.readInteger(form, QStringLiteral("Width"), m_geometry.width());
    const int height = ini.readInteger(form, QStringLiteral("Height"), m_geometry.height());
    // A window stored smaller than usable (or with a negative size) opens at the minimum.
    m_geometry = QRect(left, top, qMax(width, int(kMinimumWindowWidth)), qMax(height, int(kMinimumWindowHeight)));

    for (TPanel panel : kPanels) {
        const PanelKeys keys = keysOf(panel);
        const QString section = QString::fromLatin1(keys.section);
        setPageIndex(panel, ini.readInteger(section, QStringLiteral("Index"), pageIndex(panel)));
        TPanelSize& p = panelRef(panel);
        const int current = p.shown;
        p.shown = qMax(0, ini.readInteger(section, QStringLiteral("Show"), current));
        p.remembered = qMax(0, ini.readInteger(section, QString::fromLatin1(keys.sizeKey), current));
        if (p.shown == 0)
            p.shown = p.remembered;
        Q_EMIT panelChanged(panel);
    }

    setFindWidth(ini.readInteger(QStringLiteral("PanelFind"), QStringLiteral("Width"), m_findWidth));
    setEditFormHeight(ini.readInteger(QStringLiteral("EditForm"), QStringLiteral("Height"), m_editFormHeight));
    setEditJSHeight(ini.readInteger(QStringLiteral("EditJS"), QStringLiteral("Height"), m_editJSHeight));
}

void TLayoutSettings::write(TIniFile& ini) const
{
    const QString form = QStringLiteral("Form");
    ini.writeInteger(form, QStringLiteral("Top"), m_geometry.top());
    ini.writeInteger(form, QStringLiteral("Left"), m_geometry.left());
    ini.writeInteger(form, QStringLiteral("Width"), m_geometry.width());
    ini.writeInteger(form, QStringLiteral("Height"), m_geometry.height());
    for (TPanel panel : kPanels) {
        const PanelKeys keys = keysOf(panel);
        const QString section = QString::fromLatin1(keys.section);
        const TPanelSize& p = this->panel(panel);
        ini.writeInteger(section, QStringLiteral("Index"), pageIndex(panel));
        ini.writeInteger(section, QStringLiteral("Show"), p.shown);
        ini.writeInteger(section, QString::fromLatin1(keys.sizeKey), p.remembered);
    }
    ini.writeInteger(QStringLiteral("PanelFind"), QStringLiteral("Width"), m_findWidth);
    ini.writeInteger(QStringLiteral("EditForm"), QStringLiteral("Height"), m_editFormHeight);
    ini.writeInteger(QStringLiteral("EditJS"), QStringLiteral("Height"), m_editJSHeight);
}

bool TLayoutSettings::load(const QString& path, QString* error)
{
    TIniFile ini(path);
    if (!ini.load(error))
        return false;
    read(ini);
    return true;
}

bool TLayoutSettings::save(const QString& path, QString* error) const
{
    TIniFile ini(path);
    // Writing over a file that could not be read would drop its other sections.
    if (!ini.load(error))
        return false;
    write(ini);
    return ini.save(error, true);
}
