#include "document/documentparser.h"

#include "core/appcontext.h"
#include "core/error.h"
#include "core/log.h"
#include "document/htmldocument.h"
#include "document/localhost.h"
#include "document/screenidhistory.h"
#include "document/screenidparser.h"
#include "document/tagaccess.h"
#include "document/tagscript.h"

#include <algorithm>
#include <limits>

namespace {

enum class TScriptDefault { None, JavaScript, Other };

TScriptDefault defaultScriptLanguage(THtmlDocument* document)
{
    TScriptDefault result = TScriptDefault::None;
    for (THtmlElement* meta : document->elementsByTagName(QStringLiteral("META"))) {
        if (meta && meta->httpEquiv().toUpper() == QLatin1String("CONTENT-SCRIPT-TYPE"))
            result = NamesJavaScript(meta->content()) ? TScriptDefault::JavaScript : TScriptDefault::Other;
    }
    return result;
}

bool isJavaScript(THtmlElement* script, TScriptDefault defaultLanguage)
{
    const QString type = script->type();
    const QString language = script->language();
    if (NamesJavaScript(type) || NamesJavaScript(language))
        return true;
    return defaultLanguage != TScriptDefault::Other && type.isEmpty() && language.isEmpty();
}

}

TDocumentParser::TDocumentParser(TScreenIDParser* screenIdParser, QList<THtmlDocument*>* documents)
    : m_rootFrame(std::make_unique<TTagFrame>(nullptr, nullptr, QString()))
    , m_documents(documents)
    , m_screenIdParser(screenIdParser)
{
}

TDocumentParser::~TDocumentParser() = default;

void TDocumentParser::Parse(const QString& url, THtmlDocument* document)
{
    if (!document) {
        m_screenIdParser->SetURL(url);
    } else {
        m_screenIdParser->SetURL(document->url());
        m_localPage = IsLocalURL(m_screenIdParser->URL());
        ParseDocument(m_rootFrame.get(), document, &m_screenSize, 0);
        // The engine's view of a page's source shows the page as text: the forms there are
        // the view's own controls, not the page's, and nothing may be saved from them.
        if (!url.startsWith(QLatin1String("view-source:"), Qt::CaseInsensitive)) {
            for (TTagFrame* frame : m_contentFrames)
                ParseForms(frame);
        }
    }
    App().service<TScreenIDHistory>().add(m_screenIdParser->ID());
}

void TDocumentParser::ParseDocument(TTagFrame* frame, THtmlDocument* document, TScreenSize* size, int depth)
{
    if (depth > kMaxNesting) {
        LogWarn(QStringLiteral("FRAME nesting too deep: ") + frame->Name() + QStringLiteral(" -> ") + frame->Src());
        return;
    }
    if (document->frameCount() == 0) {
        ParseContent(frame, document, size);
        m_screenIdParser->CheckDocument(document);
        return;
    }
    const QList<THtmlElement*> iframes = document->elementsByTagName(QStringLiteral("IFRAME"));
    if (!iframes.isEmpty()) {
        ParseContent(frame, document, size);
        ParseIFrames(frame, document, iframes, depth);
        return;
    }
    const QList<THtmlElement*> framesets = document->elementsByTagName(QStringLiteral("frameset"));
    if (framesets.isEmpty() || !framesets.first()) {
        // Frames without a frameset or inline frames: keep the content at least.
        ParseContent(frame, document, size);
        m_screenIdParser->CheckDocument(document);
        return;
    }
    m_frameCounter = 0;
    ParseFrameset(frame, framesets.first(), size, document, depth);
}

void TDocumentParser::ParseContent(TTagFrame* frame, THtmlDocument* document, TScreenSize* size)
{
    frame->SetDocument(document);
    m_documents->append(document);
    if (size) {
        if (THtmlElement* body = document->body()) {
            size->Width = body->scrollWidth() + body->leftMargin() + body->rightMargin();
            size->Height = body->scrollHeight() + body->topMargin() + body->bottomMargin();
        }
    }
    const QList<THtmlElement*> scripts = document->scripts();
    if (!scripts.isEmpty()) {
        const TScriptDefault defaultLanguage = defaultScriptLanguage(document);
        for (THtmlElement* script : scripts) {
            if (!script || !isJavaScript(script, defaultLanguage))
                continue;
            frame->AddScript(TTagScript::Create(script, m_screenIdParser->URL(), document, m_localPage));
        }
    }
    m_contentFrames.push_back(frame);
}

void TDocumentParser::ParseIFrames(TTagFrame* frame, THtmlDocument* document, const QList<THtmlElement*>& iframes,
                                   int depth)
{
    TTagBaseNameCounter counter;
    for (int i = 0; i < iframes.size(); ++i) {
        THtmlElement* element = iframes[i];
        if (!element)
            continue;
        auto created = std::make_unique<TTagFrame>(frame, element, element->tagName());
        created->SetName(element->name());
        created->SetSrc(element->src());
        TTagFrame* node = frame->AddChildFrame(std::move(created));
        counter.Add(node->Name(), node);
        THtmlDocument* child = nullptr;
        try {
            child = document->frameDocument(element->frameIndex() >= 0 ? element->frameIndex() : i);
        } catch (const TError&) {
            LogWarn(QStringLiteral("IFRAME can not access: ") + node->Name() + QStringLiteral(" -> ") + node->Src());
            continue;
        }
        if (child)
            ParseDocument(node, child, nullptr, depth + 1);
    }
    counter.AssignIndexes();
}

void TDocumentParser::ParseFrameset(TTagFrame* frame, THtmlElement* frameset, TScreenSize* size,
                                    THtmlDocument* document, int depth)
{
    if (depth > kMaxNesting) {
        LogWarn(QStringLiteral("FRAME nesting too deep: ") + frame->Name() + QStringLiteral(" -> ") + frame->Src());
        return;
    }
    TTagBaseNameCounter counter;
    int position = 0;
    for (THtmlElement* child : frameset->children()) {
        if (!child)
            continue;
        const QString tag = child->tagName().toUpper();
        if (tag == QLatin1String("FRAMESET")) {
            TTagFrame* node = frame->AddChildFrame(std::make_unique<TTagFrame>(frame, child, QStringLiteral("FRAMESET")));
            TScreenSize childSize;
            ParseFrameset(node, child, &childSize, document, depth + 1);
            if (size)
                AddFramesetChildSize(frameset, position, childSize, *size);
            ++position;
        } else if (tag == QLatin1String("FRAME")) {
            auto created = std::make_unique<TTagFrame>(frame, child, QStringLiteral("FRAME"));
            created->SetName(child->name());
            created->SetSrc(child->src());
            TTagFrame* node = frame->AddChildFrame(std::move(created));
            counter.Add(node->Name(), node);
            THtmlDocument* childDocument = nullptr;
            try {
                childDocument = document->frameDocument(child->frameIndex() >= 0 ? child->frameIndex() : m_frameCounter);
            } catch (const TError&) {
                LogWarn(QStringLiteral("FRAME can not access: ") + node->Name() + QStringLiteral(" -> ") + node->Src());
            }
            if (childDocument) {
                TScreenSize childSize;
                m_frameCounterStack.push_back(m_frameCounter);
                ParseDocument(node, childDocument, &childSize, depth + 1);
                m_frameCounter = m_frameCounterStack.back();
                m_frameCounterStack.pop_back();
                if (size)
                    AddFramesetChildSize(frameset, position, childSize, *size);
            }
            // An unreachable frame still takes its window, so the next FRAME gets the next.
            ++m_frameCounter;
            ++position;
        }
    }
    counter.AssignIndexes();
}

void TDocumentParser::ParseForms(TTagFrame* frame)
{
    TTagBaseNameCounter counter;
    for (THtmlElement* element : frame->Document()->forms()) {
        if (!element)
            continue;
        TTagForm* node = frame->AddForm(std::make_unique<TTagForm>(element, frame));
        ParseFormParts(element, node);
        counter.Add(node->Name(), node);
    }
    counter.AssignIndexes();
}

void TDocumentParser::ParseFormParts(THtmlElement* formElement, TTagForm* node)
{
    TTagBaseNameCounter counter;
    for (THtmlElement* item : formElement->items()) {
        if (!item)
            continue;
        const TTagAccess* accessor = TagAccessFor(item);
        if (!accessor)
            continue;
        m_screenIdParser->CheckFormPart(item);
        TTagFormPart* part = node->AddPart(std::make_unique<TTagFormPart>(item, node, accessor));
        counter.Add(accessor->GetName(item), part);
    }
    counter.AssignIndexes();
    node->RefreshValues();
}

namespace {

int wholeNumber(const QString& entry, bool* ok)
{
    *ok = !entry.isEmpty();
    for (QChar c : entry)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            *ok = false;
    return *ok ? entry.toInt(ok) : 0;
}

}

namespace {

// Page sizes stay within int however many frames a page stacks.
void addTo(int& total, int extent)
{
    total = int(std::clamp<qint64>(qint64(total) + extent, 0, std::numeric_limits<int>::max()));
}

// The pixels an entry of a cols or rows list gives: the child's own extent for relative
// entries ("%" or "*"), the number for absolute ones, nothing for anything else.
bool entryExtent(const QStringList& entries, int position, int childExtent, int* extent)
{
    if (position < 0 || position >= entries.size())
        return false;
    const QString entry = entries[position].trimmed();
    if (entry.contains(QLatin1Char('%')) || entry.contains(QLatin1Char('*'))) {
        *extent = childExtent;
        return true;
    }
    bool ok = false;
    *extent = wholeNumber(entry, &ok);
    return ok;
}

}

void AddFramesetChildSize(THtmlElement* frameset, int position, const TScreenSize& child, TScreenSize& size)
{
    const QStringList cols = frameset->cols().isEmpty() ? QStringList() : frameset->cols().split(QLatin1Char(','));
    const QStringList rows = frameset->rows().isEmpty() ? QStringList() : frameset->rows().split(QLatin1Char(','));
    int extent = 0;
    if (!cols.isEmpty() && rows.isEmpty()) {
        if (entryExtent(cols, position, child.Width, &extent)) {
            addTo(size.Width, extent);
            size.Height = std::max(size.Height, child.Height);
        }
    } else if (cols.isEmpty() && !rows.isEmpty()) {
        if (entryExtent(rows, position, child.Height, &extent)) {
            size.Width = std::max(size.Width, child.Width);
            addTo(size.Height, extent);
        }
    } else if (!cols.isEmpty() && !rows.isEmpty()) {
        // A grid fills row by row: the first row makes the width, the first column the height.
        const int column = position % int(cols.size());
        const int row = position / int(cols.size());
        if (row >= rows.size())
            return;
        if (row == 0 && entryExtent(cols, column, child.Width, &extent))
            addTo(size.Width, extent);
        if (column == 0 && entryExtent(rows, row, child.Height, &extent))
            addTo(size.Height, extent);
    }
}
