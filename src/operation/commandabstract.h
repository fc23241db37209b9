#pragma once

#include <QString>

#include <functional>
#include <memory>

class TCommandAutoOperation;

// Called when a command has finished its work: at once for most commands, later for a
// comparison that waits for the page's live values.
using TCommandDone = std::function<void()>;

// The base of every operation command and of the operation itself.
class TCommandAbstract {
public:
    // The code a failed comparison leaves in ErrorCode.
    static constexpr int kCompareError = 21;

    // An ID of 0 takes a fresh number from the file ID allocator.
    explicit TCommandAbstract(int id = 0);
    virtual ~TCommandAbstract() = default;
    TCommandAbstract(const TCommandAbstract&) = delete;
    TCommandAbstract& operator=(const TCommandAbstract&) = delete;

    // The line that names the command in the editor's list and in the operation log.
    virtual QString GetViewText() const;
    // Performs the command, then calls done (when given) once it has finished.
    virtual void Execute(TCommandDone done = {});
    // A new command of the same class with the same field values; the caller sets Owner.
    virtual std::unique_ptr<TCommandAbstract> Clone() const = 0;
    // The text that stands for the command in an operation file.
    virtual QString GetOperationType() const = 0;

    int ID = 0;
    int ErrorCode = 0;
    QString Name;
    TCommandAutoOperation* Owner = nullptr;

protected:
    // Copies the base fields into a clone.
    void copyBaseTo(TCommandAbstract& other) const;
    // Expires with the command: an answer that comes after it was destroyed is dropped.
    std::weak_ptr<void> lifetime() const { return m_lifetime; }

private:
    std::shared_ptr<void> m_lifetime = std::make_shared<int>(0);
};
