#pragma once

#include <QObject>
#include <QRect>
#include <QString>

class TIniFile;

// One collapsible panel: the size it shows (0 = collapsed) and the size it gets back when
// it is expanded again. The remembered size survives collapsing.
struct TPanelSize {
    int shown = 0;
    int remembered = 0;

    static constexpr int kExpandedWhenUnknown = 100;

    // Collapses an open panel (remembering its size) or expands a collapsed one.
    void toggle();
    // Sets the shown size; a size above 0 also becomes the remembered size.
    void resize(int size);
    bool isOpen() const { return shown > 0; }
};

enum class TPanel { Left, Right, Console };

// The layout of the main window that Calverdine.ini keeps: window geometry, the three
// panels with their active pages and sizes, the find panel width and the heights of the
// two property editors. The main window applies it to its widgets; the view commands
// toggle the panels through it. A process-wide service (App().service<TLayoutSettings>()).
class TLayoutSettings : public QObject {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 1024;
    static constexpr int kDesignHeight = 768;
    static constexpr int kDesignLeftWidth = 193;
    static constexpr int kDesignRightWidth = 178;
    static constexpr int kDesignConsoleHeight = 168;
    static constexpr int kDesignFindWidth = 199;
    static constexpr int kDesignEditFormHeight = 532;
    static constexpr int kDesignEditJSHeight = 474;
    static constexpr int kMinimumWindowWidth = 320;
    static constexpr int kMinimumWindowHeight = 240;
    static constexpr int kLeftPageCount = 3;
    static constexpr int kRightPageCount = 4;
    static constexpr int kConsolePageCount = 7;

    explicit TLayoutSettings(QObject* parent = nullptr);

    // Back to the design layout.
    void reset();

    QRect geometry() const { return m_geometry; }
    void setGeometry(const QRect& geometry) { m_geometry = geometry; }

    const TPanelSize& panel(TPanel panel) const;
    int pageIndex(TPanel panel) const;
    void setPageIndex(TPanel panel, int index);
    static int pageCount(TPanel panel);

    // The panel commands: collapse or expand, with the remembered size (100 when none).
    void togglePanel(TPanel panel);
    // The user resized the panel (splitter drag or window layout).
    void resizePanel(TPanel panel, int size);
    // Expands a collapsed panel; an open one is left as it is.
    void openPanel(TPanel panel);

    // Dragging the console splitter from pressY to releaseY (window coordinates, downwards)
    // while the console is currentHeight high: it grows by the distance dragged up, limited
    // to 0..available; a height above 0 becomes the remembered height.
    void dragConsoleSplitter(int currentHeight, int pressY, int releaseY, int available);

    int findWidth() const { return m_findWidth; }
    void setFindWidth(int width) { m_findWidth = qMax(0, width); }
    int editFormHeight() const { return m_editFormHeight; }
    void setEditFormHeight(int height) { m_editFormHeight = qMax(0, height); }
    int editJSHeight() const { return m_editJSHeight; }
    void setEditJSHeight(int height) { m_editJSHeight = qMax(0, height); }

    // Reads the layout keys; an absent key keeps the current value. A panel stored as
    // collapsed opens at its remembered size.
    void read(const TIniFile& ini);
    // Writes the layout keys; other keys and sections of the file are left alone.
    void write(TIniFile& ini) const;

    // Calverdine.ini of the home directory. load() keeps the current values when the file
    // is missing; save() rewrites the file with its other sections, and refuses (with a
    // message) to overwrite a file it cannot read.
    bool load(const QString& path, QString* error = nullptr);
    bool save(const QString& path, QString* error = nullptr) const;

Q_SIGNALS:
    void panelChanged(TPanel panel);
    void pageIndexChanged(TPanel panel, int index);

private:
    TPanelSize& panelRef(TPanel panel);

    QRect m_geometry;
    TPanelSize m_left;
    TPanelSize m_right;
    TPanelSize m_console;
    int m_leftIndex = 0;
    int m_rightIndex = 0;
    int m_consoleIndex = 0;
    int m_findWidth = kDesignFindWidth;
    int m_editFormHeight = kDesignEditFormHeight;
    int m_editJSHeight = kDesignEditJSHeight;
};
