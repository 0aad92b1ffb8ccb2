#pragma once
// What the batch companion's commands share: arguments, output, the usage error.

#include "platform/Exception.h"

#include <QString>
#include <QStringList>
#include <QVariant>

// A command line the tool does not understand; exit status 2.
class UsageError : public Exception
{
public:
    using Exception::Exception;
};

class BatchArguments
{
public:
    explicit BatchArguments(QStringList arguments) : m_arguments(std::move(arguments)) {}

    // Takes "--name VALUE" out of the arguments; the default when absent.
    QString takeOption(const QString &name, const QString &fallback = QString());
    // Takes every "--name VALUE" of an option that may be given more than once, in order.
    QStringList takeRepeatedOption(const QString &name);
    bool hasOption(const QString &name) const;
    // Takes a "--name" that has no value; true when it was given.
    bool takeFlag(const QString &name);
    // The remaining arguments, which must be exactly 'count' positional ones.
    QStringList positional(int count) const;
    // The remaining arguments, at least one positional and no option.
    QStringList positionalList() const;
    // Raises the usage error when any argument remains.
    void requireNoneLeft() const;

private:
    QStringList m_arguments;
};

namespace BatchOutput {
void write(QStringView text);         // UTF-8 to standard output
void writeError(const QString &text); // UTF-8 to standard error
bool errorIsTerminal();
// Table cells: tab, line feed, carriage return and backslash as \t \n \r \\. JSON adds
// the quote and every other control character (\uXXXX); nothing else is escaped.
enum class Escapes
{
    Table,
    Json
};
void appendEscaped(QString &out, QStringView text, Escapes escapes);
// The same into a buffer with room for kMaxEscapedLength units for each character of the
// text, as UTF-16 or as UTF-8; returns the end of what was written.
constexpr qsizetype kMaxEscapedLength = 6; // \u001f
char16_t *writeEscaped(char16_t *out, QStringView text, Escapes escapes);
char *writeEscapedUtf8(char *out, QStringView text, Escapes escapes);
void writeBytes(QByteArrayView bytes); // to standard output, as they are
// One line of tab-separated cells, each escaped as the table command escapes them.
void writeCells(const QStringList &cells);
} // namespace BatchOutput
