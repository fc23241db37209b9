#include "browser/engine/webpage.h"

#include "browser/engine/enginebrowser.h"

TWebPage::TWebPage(QWebEngineProfile* profile, TEngineBrowser* browser)
    : QWebEnginePage(profile, browser), m_browser(browser)
{
}

bool TWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    return m_browser->handleNavigationRequest(url, int(type), isMainFrame);
}

void TWebPage::javaScriptAlert(const QUrl& securityOrigin, const QString& message)
{
    Q_UNUSED(securityOrigin);
    m_browser->handleAlert(message);
}

bool TWebPage::javaScriptConfirm(const QUrl& securityOrigin, const QString& message)
{
    Q_UNUSED(securityOrigin);
    return m_browser->handleConfirm(message);
}

bool TWebPage::javaScriptPrompt(const QUrl& securityOrigin, const QString& message, const QString& defaultValue,
                                QString* result)
{
    bool shown = false;
    const bool answer = m_browser->handlePrompt(message, defaultValue, result, &shown);
    if (!shown)
        return answer;
    return QWebEnginePage::javaScriptPrompt(securityOrigin, message, defaultValue, result);
}

void TWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                        const QString& sourceId)
{
    // The page's console is not the tool's output.
    Q_UNUSED(level);
    Q_UNUSED(message);
    Q_UNUSED(lineNumber);
    Q_UNUSED(sourceId);
}

QWebEnginePage* TWebPage::createWindow(WebWindowType type)
{
    Q_UNUSED(type);
    return m_browser->handleCreateWindow();
}
