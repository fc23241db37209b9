#pragma once

#include "browser/tabwindow.h"

#include <QMdiSubWindow>

#include <memory>

// The child window of the tab area that holds one tab's browser. It owns the tab window
// and closes it (FormClose) when it closes; it is destroyed later.
class TTabSubWindow final : public QMdiSubWindow, public TTabWindowFrame {
    Q_OBJECT
public:
    explicit TTabSubWindow(QWidget* browser, QWidget* parent = nullptr);
    ~TTabSubWindow() override;

    void setTab(std::unique_ptr<TTabWindow> tab);
    TTabWindow* tab() const { return m_tab.get(); }

    // TTabWindowFrame
    void SetCaption(const QString& caption) override { setWindowTitle(caption); }
    bool IsNormalState() const override;
    void SetFrameLeft(int value) override;
    void SetFrameTop(int value) override;
    void SetFrameWidth(int value) override;
    void SetFrameHeight(int value) override;
    void CloseFrame() override { close(); }
    bool MayActivateBrowser() const override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<TTabWindow> m_tab;
};
