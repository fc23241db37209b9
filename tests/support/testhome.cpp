#include "support/testhome.h"

#include "core/appcontext.h"
#include "core/tickcount.h"

TTestHome::TTestHome() : m_prompter(std::make_unique<TScriptedPrompter>())
{
    ResetApp();
    App().homeDirectory = m_dir.path();
    App().setPrompter(m_prompter.get());
}

TTestHome::~TTestHome()
{
    ResetApp();
    SetTickCountSource({});
}
