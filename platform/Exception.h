#pragma once
// Base of every error the program raises; carries the exact user-facing message.

#include <QByteArray>
#include <QString>
#include <exception>

class Exception : public std::exception
{
public:
    explicit Exception(const QString &message);
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Ends a command without an error box (a cancelled run, for example).
class EAbort : public Exception
{
public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
};

// A text that does not convert to the value asked for.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};
