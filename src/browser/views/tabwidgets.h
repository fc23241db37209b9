#pragma once

#include "browser/tabaction.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>

class QComboBox;
class QMdiArea;
class QMdiSubWindow;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;
class TEngineBrowser;
class TEngineProfile;
class TMainForm;
class TTabSubWindow;

// The main window's tab strip, tab tree and tab area as the tab controller drives them,
// and the maker of tab windows on the engine (it owns the engine profile every tab shares).
class TTabWidgets final : public QObject, public TTabStripView, public TTabWindowFactory {
    Q_OBJECT
public:
    // Without a profile the widgets make the application's own: named, stored in the home
    // directory. A given profile is not owned and must outlive the widgets.
    explicit TTabWidgets(TMainForm& form, TEngineProfile* profile = nullptr, QObject* parent = nullptr);
    ~TTabWidgets() override;

    void setController(TTabAction* controller) { m_controller = controller; }
    TEngineProfile& profile() const { return *m_profile; }

    // TTabWindowFactory
    TTabWindow* CreateTabWindow(TTabWindow* current) override;

    // TTabStripView
    void InsertTab(int position, TTabWindow* tab, const QString& caption) override;
    void RemoveTab(TTabWindow* tab) override;
    void MoveTab(int from, int to) override;
    void SelectTab(TTabWindow* tab) override;
    void SetTabTexts(TTabWindow* tab, const QString& stripCaption, const QString& nodeText) override;
    void SetNodeImage(TTabWindow* tab, int image) override;
    void SetRootText(const QString& text) override;
    void BringToFront(TTabWindow* tab) override;
    void Arrange(TTabArrangement arrangement) override;
    void ShowAddress(const QString& url) override;
    void FocusFindBox() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TTabWindow* tabAt(int position) const { return m_order.value(position); }
    TTabWindow* tabOf(QTreeWidgetItem* item) const;
    TTabSubWindow* windowOf(TTabWindow* tab) const;
    void handleStripChosen(int index);
    void handleSubWindowActivated(QMdiSubWindow* window);
    void handleTreeMenu(const QPoint& position);
    void toggleMaximised();

    TMainForm& m_form;
    QMdiArea* m_area = nullptr;
    QTabBar* m_strip = nullptr;
    QTreeWidget* m_tree = nullptr;
    QTreeWidgetItem* m_root = nullptr;
    QComboBox* m_address = nullptr;
    QPointer<TTabAction> m_controller;
    std::unique_ptr<TEngineProfile> m_ownProfile;
    TEngineProfile* m_profile = nullptr;
    QList<TTabWindow*> m_order;
    QHash<TTabWindow*, QTreeWidgetItem*> m_nodes;
    QHash<TTabWindow*, QPointer<TTabSubWindow>> m_windows;
    // Every browser made, including those of closed tabs that still print.
    QList<QPointer<TEngineBrowser>> m_browsers;
    bool m_updating = false;
};

// The tab controller on the main window's widgets, with the Internet options dialog; the
// tabs share the given engine profile, or the application's own.
std::unique_ptr<TActionCalverdine> CreateTabAction(TMainForm& form, TEngineProfile* profile = nullptr);
