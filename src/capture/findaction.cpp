#include "capture/findaction.h"

#include "browser/tabwindow.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "document/calverdinedocument.h"
#include "document/htmldocument.h"
#include "document/pagechannel.h"
#include "document/pagesnapshot.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>

namespace {

QString TrimmedBelow33(const QString& text)
{
    int begin = 0;
    int end = text.size();
    while (begin < end && text.at(begin).unicode() < 33)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() < 33)
        --end;
    return text.mid(begin, end - begin);
}

// Searches one document from its selection (or from the start of its body, or its end
// when searching backward, on a restart). An empty text searches the selected text. The
// answer is the text found, or empty, in which case the selection is left as it was.
const char kSearchScript[] = R"JS((function (text, dir, flags, restart) {
  var sel = window.getSelection();
  if (!sel) return '';
  if (!text) {
    text = sel.toString();
    if (!text) return '';
  } else if (restart) {
    var r = document.createRange();
    r.selectNodeContents(document.body || document.documentElement);
    r.collapse(dir > 0);
    sel.removeAllRanges();
    sel.addRange(r);
  }
  var word = /[\p{L}\p{N}_]/u;
  function whole() {
    var r = sel.getRangeAt(0);
    var before = r.startContainer.nodeType === 3 ? r.startContainer.data.charAt(r.startOffset - 1) : '';
    var after = r.endContainer.nodeType === 3 ? r.endContainer.data.charAt(r.endOffset) : '';
    return !word.test(before) && !word.test(after);
  }
  var saved = sel.rangeCount ? sel.getRangeAt(0).cloneRange() : null;
  for (var i = 0; i < 100000; ++i) {
    if (!window.find(text, (flags & 4) !== 0, dir < 0, false, false, false, false)) break;
    if ((flags & 2) === 0 || whole()) return text;
  }
  sel.removeAllRanges();
  if (saved) sel.addRange(saved);
  return '';
}))JS";

// The documents of the page that hold text: frameset documents have none.
QList<THtmlDocument*> SearchableDocuments(TCalverdineDocument* model)
{
    QList<THtmlDocument*> documents;
    for (THtmlDocument* doc : model->Documents()) {
        if (doc->body())
            documents.append(doc);
    }
    return documents;
}

} // namespace

void TFindAction::AddToHistory(QStringList& history, const QString& text)
{
    if (TrimmedBelow33(text).isEmpty())
        return;
    for (int i = 0; i < history.size(); ++i) {
        if (QString::localeAwareCompare(history.at(i).toLower(), text.toLower()) == 0) {
            history.removeAt(i);
            break;
        }
    }
    history.prepend(text);
}

TFindAction::TFindAction(QObject* parent) : TActionCalverdine(parent)
{
    setObjectName(QStringLiteral("TFindAction"));
    TCommandList& commands = App().commands();
    const QString owner = objectName();
    m_find = commands.claim(QStringLiteral("ActionFind"), owner);
    m_findButton = commands.claim(QStringLiteral("ActionFindButton"), owner);
    m_findIE = commands.claim(QStringLiteral("ActionFindDialogIE"), owner);
    if (m_find)
        connect(m_find, &QAction::triggered, this, [this] {
            if (m_useBrowserFindBox)
                highlightMatches();
            else
                Q_EMIT showFindDialog();
        });
    if (m_findButton)
        connect(m_findButton, &QAction::triggered, this, &TFindAction::FindButton);
    if (m_findIE) {
        m_findIE->setCheckable(true);
        m_findIE->setChecked(false);
        connect(m_findIE, &QAction::triggered, this, [this] {
            m_useBrowserFindBox = !m_useBrowserFindBox;
            m_findIE->setChecked(m_useBrowserFindBox);
        });
    }
    setFindControls(false);

    for (TEvent e : { TEvent::ProjectNewed, TEvent::ProjectOpened, TEvent::ProjectClosed })
        handle(e, &TFindAction::handleProjectChanged);
    handle(TEvent::TabWindowAdded, &TFindAction::handleOff);
    handle(TEvent::TabWindowWasNothing, &TFindAction::handleOff);
    handle(TEvent::TabWindowActivated, &TFindAction::handleTabActivated);
    handle(TEvent::BrowserBeforeNavigate, &TFindAction::handleBeforeNavigate);
    handle(TEvent::BrowserDocumentCompleted, &TFindAction::handleDocumentCompleted);
}

TFindAction::~TFindAction() = default;

void TFindAction::setFindControls(bool on)
{
    TTabView* tab = CurrentTabView();
    const bool enabled = on && tab && tab->IsHtmlDocument();
    SetCommandEnabled(m_find, enabled);
    SetCommandEnabled(m_findButton, enabled);
    if (!enabled) {
        m_findBoxText.clear();
        Q_EMIT findBoxChanged(m_findBoxText, m_history);
    }
    if (m_find) {
        const QString caption = m_find->text();
        const int paren = caption.indexOf(QLatin1Char('('));
        SetCommandHint(m_find, enabled && paren >= 0 ? caption.left(paren) : QString());
    }
}

void TFindAction::highlightMatches()
{
    TTabView* tab = CurrentTabView();
    if (!tab)
        return;
    const QString text = m_findBoxText;
    QPointer<TFindAction> self(this);
    tab->HighlightMatches(text, (m_findFlags & 4) != 0, [self, text](int matches) {
        if (!self)
            return;
        if (!text.isEmpty())
            self->addToHistory(text);
        Q_EMIT self->statusText(text.isEmpty() ? QString() : QStringLiteral("「%1」: %2 件").arg(text).arg(matches));
    });
}

void TFindAction::handleProjectChanged(int)
{
    m_useBrowserFindBox = false;
    if (m_findIE)
        m_findIE->setChecked(false);
    setFindControls(false);
}

void TFindAction::handleOff(int)
{
    setFindControls(false);
}

void TFindAction::handleTabActivated(int)
{
    TTabView* tab = CurrentTabView();
    setFindControls(tab && tab->NavigationState() >= 2);
}

void TFindAction::handleBeforeNavigate(int)
{
    m_lastText.clear();
    m_frameIndex = 0;
}

void TFindAction::handleDocumentCompleted(int)
{
    setFindControls(true);
}

void TFindAction::addToHistory(const QString& text)
{
    AddToHistory(m_history, text);
    Q_EMIT findBoxChanged(m_findBoxText, m_history);
}

void TFindAction::FindButton()
{
    const QString text = m_findBoxText;
    QPointer<TFindAction> self(this);
    Search(text, [self, text](const QString& found) {
        if (!self)
            return;
        if (text.isEmpty() && !found.isEmpty())
            self->m_findBoxText = found;
        self->addToHistory(self->m_findBoxText);
        Q_EMIT self->focusFindBox();
    });
}

void TFindAction::FindNext(const QString& text, bool down, bool wholeWord, bool matchCase)
{
    m_direction = down ? 1 : -1;
    m_findFlags = (wholeWord ? 2 : 0) + (matchCase ? 4 : 0);
    QPointer<TFindAction> self(this);
    Search(text, [self](const QString& found) {
        if (self)
            self->addToHistory(found);
    });
}

void TFindAction::Search(const QString& requested, std::function<void(const QString& found)> done)
{
    auto finish = [this, done](const QString& found) {
        done(found);
        Q_EMIT searched(found);
    };
    TTabView* tab = CurrentTabView();
    TCalverdineDocument* model = tab ? tab->GetDocumentModel() : nullptr;
    TPageSnapshot* snapshot = model ? model->Snapshot() : nullptr;
    if (!snapshot || !snapshot->topDocument()) {
        finish(QString());
        return;
    }
    auto* window = dynamic_cast<TTabWindow*>(tab);
    THtmlDocument* doc = window && window->ClickedDocument() >= 0 ? snapshot->document(window->ClickedDocument())
                                                                  : nullptr;
    if (!doc)
        doc = snapshot->topDocument();
    if (window && window->DocumentClicked())
        m_framesetMode = false;
    if (doc->handle() != m_lastDocument)
        resetSearch();
    m_lastDocument = doc->handle();
    // A frameset document has no body of its own: its frames are searched one by one.
    if (m_framesetMode || (!doc->body() && !doc->elementsByTagName(QStringLiteral("frameset")).isEmpty())) {
        m_framesetMode = true;
        const QList<THtmlDocument*> documents = SearchableDocuments(model);
        doc = m_frameIndex >= 0 && m_frameIndex < documents.size() ? documents.at(m_frameIndex) : nullptr;
    }
    TPageChannel* channel = doc ? doc->channel() : nullptr;
    if (!channel) {
        finish(QString());
        return;
    }
    if (!requested.isEmpty() && requested != m_lastText)
        resetSearch();
    const bool restart = !m_hasRange;
    const int count = int(SearchableDocuments(model).size());
    const QString code = QString::fromUtf8(kSearchScript) + QLatin1Char('(')
        + QString::fromUtf8(QJsonDocument(QJsonArray { requested }).toJson(QJsonDocument::Compact)).mid(1).chopped(1)
        + QStringLiteral(", %1, %2, %3)").arg(m_direction).arg(m_findFlags).arg(restart ? "true" : "false");
    const int serial = ++m_serial;
    QPointer<TFindAction> self(this);
    channel->evaluate(doc->handle(), code, [self, serial, count, finish](const QString& json, const QString& error) {
        if (!self || serial != self->m_serial)
            return;
        QString found;
        if (error.isEmpty()) {
            const QJsonDocument parsed = QJsonDocument::fromJson("[" + json.toUtf8() + "]");
            found = parsed.array().at(0).toString();
        }
        if (!found.isEmpty()) {
            self->m_hasRange = true;
            self->m_lastText = found;
            finish(found);
            return;
        }
        // Nothing more here: the next search starts again at the beginning, of the next
        // (or previous) document on a frameset page.
        self->resetSearch();
        self->m_lastText.clear();
        self->m_frameIndex += self->m_direction > 0 ? 1 : -1;
        if (self->m_frameIndex < 0)
            self->m_frameIndex = count - 1;
        if (self->m_frameIndex >= count)
            self->m_frameIndex = 0;
        finish(QString());
    });
}
