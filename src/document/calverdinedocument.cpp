#include "document/calverdinedocument.h"

#include "document/documentparser.h"
#include "document/htmldocument.h"
#include "document/pagesnapshot.h"
#include "document/tagaccess.h"

TCalverdineDocument::TCalverdineDocument(const QString& url) : m_url(url) {}

TCalverdineDocument::~TCalverdineDocument() = default;

void TCalverdineDocument::Parse(std::shared_ptr<TPageSnapshot> snapshot)
{
    Parse(std::move(snapshot), TScreenIDSettings::current());
}

void TCalverdineDocument::Parse(std::shared_ptr<TPageSnapshot> snapshot, const TScreenIDSettings& settings)
{
    m_snapshot = std::move(snapshot);
    Parse(m_snapshot ? m_snapshot->topDocument() : nullptr, settings);
}

void TCalverdineDocument::Parse(THtmlDocument* document, const TScreenIDSettings& settings)
{
    std::unique_ptr<TScreenIDParser> rule = CreateScreenIDParser(settings);
    m_documents.clear();
    TDocumentParser parser(rule.get(), &m_documents);
    parser.Parse(m_url, document);
    m_screenId = rule->GetScreenID();
    m_rootFrame = parser.TakeRootFrame();
    buildFormParts();
    collectButtonsAndAnchors();
    m_width = parser.ScreenSize().Width;
    m_height = parser.ScreenSize().Height;
}

void TCalverdineDocument::buildFormParts()
{
    std::vector<std::pair<QString, TTagFormPart*>> entries;
    // Paths are built per form once: the frame part of a path is the same for all parts.
    const TTagForm* form = nullptr;
    QString formPath;
    forEachPart([&](TTagFormPart* part) {
        if (part->Form() != form) {
            form = part->Form();
            formPath = form->GetPath() + QLatin1Char('/');
        }
        entries.emplace_back(formPath + part->GetLocalName(), part);
    });
    m_formParts.assignKeepingLast(std::move(entries));
}

namespace {

// Adds records under unique keys: the counter rises while the key is taken. The next
// counter to try per base key is remembered, since keys are only ever added.
template <class Record>
void addUnique(TKeyedList<Record>& list, QHash<QString, int>& nextCounter, Record* record)
{
    const QString base = FoldedKey(record->BaseKey());
    int counter = nextCounter.value(base, 0);
    record->SetCounter(counter);
    while (list.contains(record->GetKey()))
        record->SetCounter(++counter);
    nextCounter.insert(base, counter + 1);
    list.append(record->GetKey(), record);
}

}

void TCalverdineDocument::collectButtonsAndAnchors()
{
    m_buttons.clear();
    m_anchors.clear();
    m_buttonRecords.clear();
    m_anchorRecords.clear();
    QHash<QString, int> nextButton;
    QHash<QString, int> nextAnchor;
    for (THtmlDocument* document : std::as_const(m_documents)) {
        for (THtmlElement* input : document->elementsByTagName(QStringLiteral("INPUT"))) {
            if (!input)
                continue;
            const QString type = input->type();
            if (!SameText(type, QLatin1String("button")) && !SameText(type, QLatin1String("submit")))
                continue;
            m_buttonRecords.push_back(std::make_unique<TTagInputButtonInfo>(input));
            addUnique(m_buttons, nextButton, m_buttonRecords.back().get());
        }
    }
    for (THtmlDocument* document : std::as_const(m_documents)) {
        for (THtmlElement* anchor : document->elementsByTagName(QStringLiteral("A"))) {
            if (!anchor || anchor->href().isEmpty())
                continue;
            m_anchorRecords.push_back(std::make_unique<TTagAnchorInfo>(anchor));
            addUnique(m_anchors, nextAnchor, m_anchorRecords.back().get());
        }
    }
}

QString TCalverdineDocument::GetValue(const QString& path) const
{
    if (TTagFormPart* part = m_formParts.find(path))
        return part->GetValue();
    return QStringLiteral("フォーム部品なし");
}

void TCalverdineDocument::SetValue(const QString& path, const QString& value) const
{
    if (TTagFormPart* part = m_formParts.find(path))
        part->SetValue(value);
}

void TCalverdineDocument::CollectValues(QList<std::pair<QString, QString>>& values, bool includeHidden) const
{
    // Removal by path without a scan per part: entries are marked and dropped at the end.
    QHash<QString, int> position;
    std::vector<bool> removed(size_t(values.size()), false);
    for (int i = 0; i < values.size(); ++i)
        if (!position.contains(FoldedKey(values[i].first)))
            position.insert(FoldedKey(values[i].first), i); // the first line of a path goes first
    forEachPart([&](TTagFormPart* part) {
        const QString path = part->GetPath();
        const QString folded = FoldedKey(path);
        const auto it = position.constFind(folded);
        if (it != position.cend()) {
            removed[size_t(*it)] = true;
            position.erase(it);
        }
        if (!includeHidden && part->GetType().toUpper() == QLatin1String("HIDDEN"))
            return;
        position.insert(folded, int(values.size()));
        values.append({ path, part->GetValue() });
        removed.push_back(false);
    });
    QList<std::pair<QString, QString>> kept;
    kept.reserve(values.size());
    for (int i = 0; i < values.size(); ++i)
        if (!removed[size_t(i)])
            kept.append(std::move(values[i]));
    values = std::move(kept);
}

void TCalverdineDocument::CollectValues(QStringList& lines, bool includeHidden) const
{
    QList<std::pair<QString, QString>> values;
    values.reserve(lines.size());
    for (const QString& line : std::as_const(lines)) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        values.append(equals < 0 ? std::pair(line, QString()) : std::pair(line.left(equals), line.mid(equals + 1)));
    }
    CollectValues(values, includeHidden);
    lines.clear();
    lines.reserve(values.size());
    for (const auto& [path, value] : std::as_const(values))
        lines.append(path + QLatin1Char('=') + value);
}

void TCalverdineDocument::flushWrites()
{
    if (m_snapshot)
        m_snapshot->flush();
}

void TCalverdineDocument::applyRefresh(const QByteArray& json)
{
    if (m_snapshot)
        m_snapshot->applyRefresh(json);
}

std::unique_ptr<TCalverdineDocument> ParsePage(const QString& url, std::shared_ptr<TPageSnapshot> snapshot)
{
    auto model = std::make_unique<TCalverdineDocument>(url);
    model->Parse(std::move(snapshot));
    return model;
}
