#pragma once

#include <QMutex>
#include <QString>

#include <functional>
#include <memory>
#include <typeindex>
#include <unordered_map>
#include <vector>

class TEventBus;
class TMemo;
class TPrompter;
class TXMLProjectType;
class TCommandList;
class TMainWindowHost;
class TTabRegistry;
class TTabView;

// The process-wide state of the application behind one accessor: home directory, the
// current project and its file, the listener list, the operation log, the prompter and
// the command list. Further process-wide objects of the subsystems (managers, registries,
// visited addresses...) are services created on first use and destroyed in reverse order.
class TAppContext {
public:
    TAppContext();
    ~TAppContext();
    TAppContext(const TAppContext&) = delete;
    TAppContext& operator=(const TAppContext&) = delete;

    QString homeDirectory;
    QString projectFileName;
    bool projectUnsaved = false;

    // Set by the main window and by the tab controller while they exist; not owned.
    TMainWindowHost* mainWindow = nullptr;
    TTabRegistry* tabs = nullptr;

    TXMLProjectType* currentProject() const { return m_currentProject.get(); }
    void setCurrentProject(std::unique_ptr<TXMLProjectType> project);
    std::unique_ptr<TXMLProjectType> takeCurrentProject();

    TEventBus& bus() { return *m_bus; }
    TMemo& operationLog() { return *m_operationLog; }
    QMutex& logLock() { return m_logLock; }
    TCommandList& commands() { return *m_commands; }

    // The prompter is not owned; none means questions are not asked (answered No/Cancel).
    TPrompter* prompter() const { return m_prompter; }
    void setPrompter(TPrompter* prompter) { m_prompter = prompter; }

    // A process-wide object of type T, created with its default constructor on first use.
    template <class T>
    T& service()
    {
        const std::type_index key(typeid(T));
        auto it = m_services.find(key);
        if (it == m_services.end()) {
            auto object = std::make_shared<T>();
            T* raw = object.get();
            m_services.emplace(key, object);
            m_serviceOrder.push_back(object);
            return *raw;
        }
        return *static_cast<T*>(it->second.get());
    }

    // Puts a ready-made object in place of the default one (tests, or objects that need
    // constructor arguments). Replaces an existing one.
    template <class T>
    T& setService(std::shared_ptr<T> object)
    {
        T* raw = object.get();
        m_services[std::type_index(typeid(T))] = object;
        m_serviceOrder.push_back(object);
        return *raw;
    }

    template <class T>
    bool hasService() const
    {
        return m_services.count(std::type_index(typeid(T))) != 0;
    }

private:
    std::unique_ptr<TXMLProjectType> m_currentProject;
    std::unique_ptr<TMemo> m_operationLog;
    std::unique_ptr<TCommandList> m_commands;
    std::unordered_map<std::type_index, std::shared_ptr<void>> m_services;
    std::vector<std::shared_ptr<void>> m_serviceOrder;
    std::unique_ptr<TEventBus> m_bus;
    QMutex m_logLock;
    TPrompter* m_prompter = nullptr;
};

TAppContext& App();

// The current tab; none before the tab controller exists or when no tab is open.
TTabView* CurrentTabView();

// Destroys the process-wide state (controllers included) and starts a fresh one.
// Used at process end and by tests between cases.
void ResetApp();
