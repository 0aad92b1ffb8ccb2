#pragma once
// Text with values embedded: {name} or {name:format}; {{ and }} stand for braces.

#include <QString>
#include <functional>
#include <optional>

namespace TemplateText {
// The value of a name through a format; nothing when the name means nothing here, and
// the placeholder is then kept as written.
using Resolver = std::function<std::optional<QString>(const QString &name, const QString &format)>;

QString expand(const QString &text, const Resolver &resolve);
// The names a text refers to, in order.
QStringList names(const QString &text);
// The text with every reference to 'from' made to 'to', formats kept.
QString renamed(const QString &text, const QString &from, const QString &to);

// Names of the system values inside texts.
inline const QString PageNumber = QStringLiteral("#页码");
inline const QString PageCount = QStringLiteral("#总页数");
inline const QString PrintDate = QStringLiteral("#打印日期");
} // namespace TemplateText
