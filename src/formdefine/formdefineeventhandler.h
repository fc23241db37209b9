#pragma once

#include <QString>

class TFormDefineFileCommand;

// Saves a screen's definition file after a change of one of its rows.
class TFormDefineEventHandler {
public:
    TFormDefineEventHandler(const QString& screenId, TFormDefineFileCommand* fileCommand)
        : m_screenId(screenId), m_fileCommand(fileCommand)
    {
    }

    void beforeChange() { m_changing = true; }
    // Saves the screen's definitions; a failure reaches the caller.
    void afterChange();

    const QString& screenId() const { return m_screenId; }
    bool changing() const { return m_changing; }

private:
    QString m_screenId;
    bool m_changing = false;
    TFormDefineFileCommand* m_fileCommand = nullptr;
};
