#pragma once

#include "document/tagtree.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

class THtmlDocument;
class THtmlElement;
class TScreenIDParser;

// Walks one page through the document interface: frames, inline frames and nested
// framesets, the forms of every reached document, the scripts, and the page size.
// Lives for one Parse call. Unreachable frames are logged as warnings and kept without
// content; any other failure raises.
class TDocumentParser {
public:
    // Frames nested deeper than this are kept without content, with a warning.
    static constexpr int kMaxNesting = 200;

    TDocumentParser(TScreenIDParser* screenIdParser, QList<THtmlDocument*>* documents);
    ~TDocumentParser();

    void Parse(const QString& url, THtmlDocument* document);

    std::unique_ptr<TTagFrame> TakeRootFrame() { return std::move(m_rootFrame); }
    const TScreenSize& ScreenSize() const { return m_screenSize; }

private:
    void ParseDocument(TTagFrame* frame, THtmlDocument* document, TScreenSize* size, int depth);
    void ParseContent(TTagFrame* frame, THtmlDocument* document, TScreenSize* size);
    void ParseIFrames(TTagFrame* frame, THtmlDocument* document, const QList<THtmlElement*>& iframes, int depth);
    void ParseFrameset(TTagFrame* frame, THtmlElement* frameset, TScreenSize* size, THtmlDocument* document,
                       int depth);
    void ParseForms(TTagFrame* frame);
    void ParseFormParts(THtmlElement* formElement, TTagForm* node);

    std::unique_ptr<TTagFrame> m_rootFrame;
    std::vector<TTagFrame*> m_contentFrames;
    QList<THtmlDocument*>* m_documents = nullptr;
    int m_frameCounter = 0;
    std::vector<int> m_frameCounterStack;
    TScreenIDParser* m_screenIdParser = nullptr;
    TScreenSize m_screenSize;
    bool m_localPage = false;
};

// Adds the size of the frameset child at position p to the frameset's size, by the
// frameset's cols or rows list.
void AddFramesetChildSize(THtmlElement* frameset, int position, const TScreenSize& child, TScreenSize& size);
