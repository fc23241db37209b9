#pragma once

#include "core/eventbus.h"

#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class THtmlDocument;

// The find controller: searches the text of the current tab's page one document at a time,
// walking the documents of a frameset page, from the find box and button or the find
// dialog, and keeps the find box's list of searched texts.
class TFindAction final : public TActionCalverdine {
    Q_OBJECT
public:
    // Adds a searched text to the head of the list (a text equal but for letter case is
    // replaced); a text of blanks and control characters only changes nothing.
    static void AddToHistory(QStringList& history, const QString& text);

    explicit TFindAction(QObject* parent = nullptr);
    ~TFindAction() override;

    bool UseBrowserFindBox() const { return m_useBrowserFindBox; }
    int Direction() const { return m_direction; }
    int FindFlags() const { return m_findFlags; }
    int FrameIndex() const { return m_frameIndex; }
    const QStringList& History() const { return m_history; }
    QString FindBoxText() const { return m_findBoxText; }
    // The find box's text as the user edits it.
    void SetFindBoxText(const QString& text) { m_findBoxText = text; }

    // The search button: searches the find box's text (or the page's selection).
    void FindButton();
    // Find next of the find dialog.
    void FindNext(const QString& text, bool down, bool wholeWord, bool matchCase);
    // Searches the text once; `done` gets the found text, or empty.
    void Search(const QString& text, std::function<void(const QString& found)> done);

Q_SIGNALS:
    // The find box's text and list changed.
    void findBoxChanged(const QString& text, const QStringList& history);
    void focusFindBox();
    // The find dialog is to be shown.
    void showFindDialog();
    // A text for the status bar (the number of matches of the browser's own find).
    void statusText(const QString& text);
    // A search ended (the found text, or empty).
    void searched(const QString& found);

private:
    void handleProjectChanged(int);
    void handleOff(int);
    void handleTabActivated(int);
    void handleBeforeNavigate(int);
    void handleDocumentCompleted(int);
    void setFindControls(bool on);
    void highlightMatches();
    void resetSearch() { m_hasRange = false; }
    void addToHistory(const QString& text);

    bool m_useBrowserFindBox = false;
    int m_direction = 1;
    int m_findFlags = 0;
    int m_lastDocument = -1;
    int m_frameIndex = 0;
    bool m_framesetMode = false;
    bool m_hasRange = false;
    QString m_lastText;
    QString m_findBoxText;
    QStringList m_history;
    int m_serial = 0;

    QAction* m_find = nullptr;
    QAction* m_findButton = nullptr;
    QAction* m_findIE = nullptr;
};
