#include "operation/commandabstract.h"
#include "operation/commandautooperation.h"

#include "core/fileidallocator.h"

TCommandAbstract::TCommandAbstract(int id)
    : ID(id != 0 ? id : AllocateFileId())
{
}

QString TCommandAbstract::GetViewText() const
{
    return QStringLiteral("ViewText Result Value");
}

void TCommandAbstract::Execute(TCommandDone done)
{
    if (done)
        done();
}

void TCommandAbstract::copyBaseTo(TCommandAbstract& other) const
{
    other.ID = ID;
    other.ErrorCode = ErrorCode;
    other.Name = Name;
}

void TCommandAutoOperation::Execute(TCommandDone done)
{
    if (done)
        done();
}

std::unique_ptr<TCommandAbstract> TCommandAutoOperation::Clone() const
{
    return CloneOperation();
}

std::unique_ptr<TCommandAutoOperation> TCommandAutoOperation::CloneOperation() const
{
    auto copy = std::make_unique<TCommandAutoOperation>(ID);
    copy->Name = Name;
    copy->OtherAutoOperationID = OtherAutoOperationID;
    copy->MoveAddress = MoveAddress;
    copy->TargetScreenID = TargetScreenID;
    copy->FinishedScreenID = FinishedScreenID;
    for (const auto& command : m_commands)
        copy->append(command->Clone());
    return copy;
}

void TCommandAutoOperation::append(std::unique_ptr<TCommandAbstract> command)
{
    command->Owner = this;
    m_commands.push_back(std::move(command));
}

void TCommandAutoOperation::replace(int index, std::unique_ptr<TCommandAbstract> command)
{
    command->Owner = this;
    m_commands[size_t(index)] = std::move(command);
}

void TCommandAutoOperation::remove(int index)
{
    m_commands.erase(m_commands.begin() + index);
}

int TCommandAutoOperation::moveUp(int index)
{
    if (index <= 0 || index >= count())
        return index;
    std::swap(m_commands[size_t(index)], m_commands[size_t(index - 1)]);
    return index - 1;
}

int TCommandAutoOperation::moveDown(int index)
{
    if (index < 0 || index + 1 >= count())
        return index;
    std::swap(m_commands[size_t(index)], m_commands[size_t(index + 1)]);
    return index + 1;
}
