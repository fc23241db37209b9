#include "formdefine/formdefinemanager.h"
#include "core/textkey.h"

TFormDefineManager::TFormDefineManager() = default;
TFormDefineManager::~TFormDefineManager() = default;

TFormDefineFileCommand& TFormDefineManager::fileCommand()
{
    if (!m_fileCommand)
        m_fileCommand = std::make_unique<TFormDefineFileCommand>(*this);
    return *m_fileCommand;
}

TFormDefineList& TFormDefineManager::definitionList(const QString& screenId)
{
    const QString key = FoldedKey(screenId);
    if (auto it = m_screens.constFind(key); it != m_screens.cend())
        return (*it)->list;
    auto screen = std::make_shared<Screen>();
    screen->handler = std::make_unique<TFormDefineEventHandler>(screenId, &fileCommand());
    m_screens.insert(key, screen);
    try {
        fileCommand().LoadDefinitions(screenId, screen->list, screen->handler.get());
    } catch (...) {
        // Not loaded: a later save must not replace the file with a partial list.
        m_screens.remove(key);
        m_lastList = nullptr;
        throw;
    }
    return screen->list;
}

TFormDefineRow& TFormDefineManager::definition(const QString& screenId, const QString& path)
{
    TFormDefineList& list = definitionList(screenId);
    if (TFormDefineRow* row = list.find(path))
        return *row;
    TFormDefineRow* row = list.add(path, std::make_unique<TFormDefineRow>());
    row->bind(m_screens.value(FoldedKey(screenId))->handler.get());
    return *row;
}

QString TFormDefineManager::field(const QString& screenId, const QString& path) const
{
    const TFormDefineList* list = loadedList(screenId);
    const TFormDefineRow* row = list ? list->find(path) : nullptr;
    return row ? row->alias() : QString();
}

void TFormDefineManager::deleteDefinition(const QString& screenId, const QString& path)
{
    if (definitionList(screenId).remove(path))
        fileCommand().SaveDefinitions(screenId);
}

TFormDefineList* TFormDefineManager::loadedList(const QString& screenId) const
{
    // A comparison report asks once for every field of one screen: the last list found is
    // kept so that the screen ID is not folded and hashed again each time.
    if (m_lastList && screenId == m_lastScreenId)
        return m_lastList;
    const auto it = m_screens.constFind(FoldedKey(screenId));
    if (it == m_screens.cend())
        return nullptr;
    m_lastScreenId = screenId;
    m_lastList = &(*it)->list;
    return m_lastList;
}

void TFormDefineManager::clear()
{
    m_screens.clear();
    m_lastList = nullptr;
}

void TFormDefineManager::setFileCommand(std::unique_ptr<TFormDefineFileCommand> command)
{
    m_screens.clear();
    m_lastList = nullptr;
    m_fileCommand = std::move(command);
}
