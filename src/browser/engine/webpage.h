#pragma once

#include <QWebEnginePage>

class TEngineBrowser;

// The page of one tab: navigation requests, message boxes and new windows go to the
// browser control that owns it, which turns them into the control's events.
class TWebPage final : public QWebEnginePage {
    Q_OBJECT
public:
    TWebPage(QWebEngineProfile* profile, TEngineBrowser* browser);

    TEngineBrowser* browser() const { return m_browser; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& message, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceId) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    TEngineBrowser* m_browser = nullptr;
};
