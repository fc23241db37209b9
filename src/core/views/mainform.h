#pragma once

#include "core/mainwindowhost.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class QComboBox;
class QLabel;
class QMdiArea;
class QMenu;
class QSplitter;
class QStatusBar;
class QTabBar;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;
class TConsoleSplitter;
class TLayoutSettings;
class TMainFormAction;
class TMainForm;

// Creates the controllers of a main window; supplied by the application's composition root.
using TControllerFactory = std::function<void(TMainForm&)>;
enum class TPanel;

// The main window: tool bar, the left panel (favorites, history, tabs), the address and
// find bar with the tab strip, the tab area, the console below it and the right panel
// (forms, data, JavaScript, operations), with the status bar. Pages of other areas are
// filled by them through the page accessors; the layout lives in TLayoutSettings.
class TMainForm : public QMainWindow, public TMainWindowHost {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Binds the operation log, prepares the start-up project, reads the layout (not after a
    // first run) and creates the controllers.
    // Reads the layout and lets the composition root create the controllers.
    void FormCreate(const TControllerFactory& createControllers);
    // The window became active: the first time raises FormActivated (once per run).
    void FormActivate();

    QMdiArea* tabArea() const { return m_tabArea; }
    QTabBar* tabStrip() const { return m_tabStrip; }
    QTreeWidget* tabTree() const { return m_tabTree; }
    QComboBox* addressBox() const { return m_addressBox; }
    QToolButton* addressButton() const { return m_addressButton; }
    QComboBox* findBox() const { return m_findBox; }
    QWidget* findPanel() const { return m_findPanel; }
    QToolBar* toolBar() const { return m_toolBar; }
    QLabel* statusLabel() const { return m_statusLabel; }
    using QMainWindow::statusBar;

    QTabWidget* leftPanel() const { return m_leftPanel; }
    QTabWidget* rightPanel() const { return m_rightPanel; }
    QTabWidget* consolePanel() const { return m_consolePanel; }
    TConsoleSplitter* consoleSplitter() const { return m_consoleSplitter; }

    // The page widgets; each has a QVBoxLayout without margins holding its content.
    QWidget* leftPage(int index) const;
    QWidget* rightPage(int index) const;
    QWidget* consolePage(int index) const;
    // Puts content into a page in place of what it held (the placeholder of a later area).
    static void setPageContent(QWidget* page, QWidget* content);

    // The drop-down menu of a tool bar command ("ActionFormSave", "ActionViewBack"...), or
    // nullptr when the command has no drop-down.
    QMenu* dropDownMenu(const QString& commandName) const;
    // A submenu of the menu bar by its object name ("MenuMainReopen", "MenuDataTemplate").
    QMenu* subMenu(const QString& objectName) const;

    // Sets the status bar's text.
    void setStatusText(const QString& text);

    // TMainWindowHost
    void saveLayout() override;
    void quitApplication() override;
    void setFileDropEnabled(bool enabled) override;
    void setMainCaption(const QString& caption) override;
    void showConsolePage(int index) override;
    void showRightPage(int index) override;
    void showLeftPage(int index) override;
    void focusPanel(TPanel panel) override;

    // Applies the layout model to the widgets (after reading Calverdine.ini).
    void applyLayout();
    // The height the console may take: the centre without the address bar and tab strip.
    int consoleSpaceAvailable() const;

    void setMainFormAction(TMainFormAction* action);
    TMainFormAction* mainFormAction() const;

Q_SIGNALS:
    // Files were dropped onto the window while drops are enabled.
    void filesDropped(const QStringList& paths);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int kMinimumFindWidth = 80;

    void createToolBar();
    void createPanels();
    void createConsole(QWidget* centre);
    void bindMemos();
    void applyPanel(TPanel panel);
    void applyFindWidth();
    void handleSplitterMoved();
    void handleConsolePageChanged(int index);
    QWidget* addPage(QTabWidget* panel, const QString& name, const QString& caption, QWidget* content);

    TLayoutSettings& m_layout;
    QToolBar* m_toolBar = nullptr;
    QSplitter* m_mainSplitter = nullptr;
    QTabWidget* m_leftPanel = nullptr;
    QTabWidget* m_rightPanel = nullptr;
    QTabWidget* m_consolePanel = nullptr;
    QWidget* m_centre = nullptr;
    QWidget* m_addressBar = nullptr;
    QComboBox* m_addressBox = nullptr;
    QToolButton* m_addressButton = nullptr;
    QWidget* m_findPanel = nullptr;
    QComboBox* m_findBox = nullptr;
    QTabBar* m_tabStrip = nullptr;
    QMdiArea* m_tabArea = nullptr;
    QTreeWidget* m_tabTree = nullptr;
    TConsoleSplitter* m_consoleSplitter = nullptr;
    QLabel* m_statusLabel = nullptr;
    QHash<QString, QMenu*> m_dropDowns;
    QPointer<TMainFormAction> m_mainFormAction;
    bool m_applyingLayout = false;
    bool m_quitting = false;
};
