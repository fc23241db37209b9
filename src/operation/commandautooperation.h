#pragma once

#include "operation/commandabstract.h"

#include <memory>
#include <vector>

// One automatic operation: its commands in order, the operation that must run first, the
// address to open, and the screens shown before the first and after the last command.
class TCommandAutoOperation final : public TCommandAbstract {
public:
    explicit TCommandAutoOperation(int id = 0) : TCommandAbstract(id) {}

    void Execute(TCommandDone done = {}) override;
    std::unique_ptr<TCommandAbstract> Clone() const override;
    QString GetOperationType() const override { return QString(); }
    // The same as Clone with its own type.
    std::unique_ptr<TCommandAutoOperation> CloneOperation() const;

    int count() const { return int(m_commands.size()); }
    TCommandAbstract* at(int index) const { return m_commands[size_t(index)].get(); }
    // The operation becomes the command's owner.
    void append(std::unique_ptr<TCommandAbstract> command);
    // The old command is destroyed and the new one takes its place.
    void replace(int index, std::unique_ptr<TCommandAbstract> command);
    void remove(int index);
    // Moves the entry at index one place up (or down); returns the entry's new index.
    int moveUp(int index);
    int moveDown(int index);

    int OtherAutoOperationID = 0;
    QString MoveAddress;
    QString TargetScreenID;
    QString FinishedScreenID;

private:
    std::vector<std::unique_ptr<TCommandAbstract>> m_commands;
};
