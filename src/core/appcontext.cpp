#include "core/appcontext.h"

#include "core/commandlist.h"
#include "core/eventbus.h"
#include "core/memo.h"
#include "core/projectdocument.h"
#include "core/tabaccess.h"

namespace {
std::unique_ptr<TAppContext>& instance()
{
    static std::unique_ptr<TAppContext> s_instance;
    return s_instance;
}
}

TAppContext::TAppContext()
    : m_operationLog(std::make_unique<TMemo>())
    , m_commands(std::make_unique<TCommandList>())
    , m_bus(std::make_unique<TEventBus>())
{
}

TAppContext::~TAppContext()
{
    // Controllers first: they may still use services, the log and the commands.
    m_bus->clear();
    m_services.clear();
    while (!m_serviceOrder.empty())
        m_serviceOrder.pop_back();
    m_currentProject.reset();
}

void TAppContext::setCurrentProject(std::unique_ptr<TXMLProjectType> project)
{
    m_currentProject = std::move(project);
}

std::unique_ptr<TXMLProjectType> TAppContext::takeCurrentProject()
{
    return std::move(m_currentProject);
}

TAppContext& App()
{
    auto& p = instance();
    if (!p)
        p = std::make_unique<TAppContext>();
    return *p;
}

void ResetApp()
{
    instance().reset();
}

TTabView* CurrentTabView()
{
    return App().tabs ? App().tabs->CurrentTab() : nullptr;
}
