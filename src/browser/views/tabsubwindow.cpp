#include "browser/views/tabsubwindow.h"

#include "browser/engine/enginebrowser.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

TTabSubWindow::TTabSubWindow(QWidget* browser, QWidget* parent) : QMdiSubWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(browser);
}

TTabSubWindow::~TTabSubWindow()
{
    // The tab goes before the browser it listens to.
    m_tab.reset();
    // The engine aborts the whole program when a page goes while it is printed: a browser
    // that prints leaves the window hidden and goes once the print has ended.
    auto* browser = qobject_cast<TEngineBrowser*>(widget());
    if (browser && browser->Printing()) {
        setWidget(nullptr);
        browser->hide();
        connect(browser, &QWebEngineView::printFinished, browser, &QObject::deleteLater);
    }
}

void TTabSubWindow::setTab(std::unique_ptr<TTabWindow> tab)
{
    m_tab = std::move(tab);
}

bool TTabSubWindow::IsNormalState() const
{
    return !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized));
}

void TTabSubWindow::SetFrameLeft(int value)
{
    move(value, y());
}

void TTabSubWindow::SetFrameTop(int value)
{
    move(x(), value);
}

void TTabSubWindow::SetFrameWidth(int value)
{
    if (value > 0)
        resize(value, height());
}

void TTabSubWindow::SetFrameHeight(int value)
{
    if (value > 0)
        resize(width(), value);
}

bool TTabSubWindow::MayActivateBrowser() const
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || isAncestorOf(focus))
        return true;
    return !(qobject_cast<QLineEdit*>(focus) || qobject_cast<QComboBox*>(focus) || qobject_cast<QTextEdit*>(focus)
             || qobject_cast<QPlainTextEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus));
}

void TTabSubWindow::closeEvent(QCloseEvent* event)
{
    if (m_tab)
        m_tab->FormClose();
    QMdiSubWindow::closeEvent(event);
}
