#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// The failure every layer raises: a message text meant for the user or the log.
class TError : public std::exception {
public:
    explicit TError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The message of whatever is in flight inside a catch block.
QString CurrentExceptionMessage();
