#include "TemplateText.h"

#include <QStringList>

namespace TemplateText {

namespace {

// Calls 'placeholder' for each {…} and 'literal' for the text between them; both also get
// the text as written.
template <typename Literal, typename Placeholder>
void scan(const QString &text, Literal literal, Placeholder placeholder)
{
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('{') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('{')) {
            literal(QStringLiteral("{"), QStringLiteral("{{"));
            i += 2;
        } else if (c == QLatin1Char('}') && i + 1 < text.size() &&
                   text.at(i + 1) == QLatin1Char('}')) {
            literal(QStringLiteral("}"), QStringLiteral("}}"));
            i += 2;
        } else if (c == QLatin1Char('{')) {
            const qsizetype close = text.indexOf(QLatin1Char('}'), i + 1);
            if (close < 0) {
                literal(text.mid(i), text.mid(i));
                return;
            }
            const QString inner = text.mid(i + 1, close - i - 1);
            const qsizetype colon = inner.indexOf(QLatin1Char(':'));
            placeholder(colon < 0 ? inner.trimmed() : inner.left(colon).trimmed(),
                        colon < 0 ? QString() : inner.mid(colon + 1), text.mid(i, close - i + 1));
            i = close + 1;
        } else {
            qsizetype end = i + 1;
            while (end < text.size() && text.at(end) != QLatin1Char('{') &&
                   text.at(end) != QLatin1Char('}'))
                ++end;
            literal(text.mid(i, end - i), text.mid(i, end - i));
            i = end;
        }
    }
}

} // namespace

QString expand(const QString &text, const Resolver &resolve)
{
    if (!text.contains(QLatin1Char('{')) && !text.contains(QLatin1Char('}')))
        return text;
    QString out;
    scan(
        text, [&](const QString &literal, const QString &) { out += literal; },
        [&](const QString &name, const QString &format, const QString &written) {
            const std::optional<QString> value = resolve(name, format);
            out += value ? *value : written;
        });
    return out;
}

QStringList names(const QString &text)
{
    QStringList list;
    scan(
        text, [](const QString &, const QString &) {},
        [&](const QString &name, const QString &, const QString &) { list.append(name); });
    return list;
}

} // namespace TemplateText

namespace TemplateText {

QString renamed(const QString &text, const QString &from, const QString &to)
{
    QString out;
    scan(
        text, [&](const QString &, const QString &written) { out += written; },
        [&](const QString &name, const QString &format, const QString &written) {
            if (name != from)
                out += written;
            else if (format.isNull())
                out += QLatin1Char('{') + to + QLatin1Char('}');
            else
                out += QLatin1Char('{') + to + QLatin1Char(':') + format + QLatin1Char('}');
        });
    return out;
}

} // namespace TemplateText
