#include "formdefine/formdefineeventhandler.h"

#include "formdefine/formdefinefilecommand.h"

void TFormDefineEventHandler::afterChange()
{
    struct ClearFlag {
        bool& flag;
        ~ClearFlag() { flag = false; }
    } clear { m_changing };
    if (m_fileCommand)
        m_fileCommand->SaveDefinitions(m_screenId);
}
