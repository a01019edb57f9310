#pragma once
// Errors that a handler throws and the event guard (Guard.h) shows.
#include <QString>
#include <stdexcept>

class Exception : public std::runtime_error
{
public:
    explicit Exception(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &Message() const { return m_message; }

private:
    QString m_message;
};

// Text that is not a number: "'%s' is not a valid floating point value" and
// "'%s' is not a valid integer value".
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// A configuration file write that could not be made: "Unable to write to %s".
class EIniFileException : public Exception
{
public:
    using Exception::Exception;
};

// Ends a handler without a message: what it waited for has lost its
// meaning (the window closed while its dialog was open).
class EAbort : public Exception
{
public:
    EAbort() : Exception(QString()) {}
};
