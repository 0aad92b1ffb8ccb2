#include "PageFileNames.h"

#include <QDir>
#include <QFileInfo>

#include <QSet>

namespace PageFileNames {

QString sanitized(const QString &text)
{
    QString name;
    name.reserve(text.size());
    for (QChar c : text) {
        const bool forbidden =
            c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"/\\:*?\"<>|").contains(c);
        name += forbidden ? QLatin1Char('_') : c;
    }
    // "." and ".." would name the folder itself or its parent.
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        name.fill(QLatin1Char('_'));
    return name;
}

namespace {

// The longest start of 'text' whose UTF-8 takes at most 'bytes'; never half a character.
QString cutToBytes(const QString &text, qsizetype bytes)
{
    qsizetype used = 0, end = 0;
    while (end < text.size()) {
        const bool pair = text.at(end).isHighSurrogate() && end + 1 < text.size() &&
                          text.at(end + 1).isLowSurrogate();
        const char32_t c =
            pair ? QChar::surrogateToUcs4(text.at(end), text.at(end + 1)) : text.at(end).unicode();
        const qsizetype size = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (used + size > bytes)
            break;
        used += size;
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

} // namespace

QStringList make(const QStringList &texts, const std::function<QString(qsizetype)> &ordinal,
                 const QString &suffix, QList<int> *shortened)
{
    const qsizetype room = MaxNameBytes - suffix.toUtf8().size();
    QStringList names;
    QSet<QString> used;
    for (int i = 0; i < texts.size(); ++i) {
        QString base = sanitized(texts[i].trimmed());
        if (base.isEmpty())
            base = ordinal(i + 1);
        const qsizetype baseBytes = base.toUtf8().size();
        bool cut = false;
        QString name = base;
        for (int n = 1; n == 1 || used.contains(name.toLower()); ++n) {
            // The number that tells a repeated name apart is never the part cut off.
            const QString tail = n == 1 ? QString() : QLatin1Char('-') + QString::number(n);
            const qsizetype tailBytes = tail.size(); // ASCII
            cut = baseBytes + tailBytes > room;
            name = (cut ? cutToBytes(base, room - tailBytes) : base) + tail;
        }
        if (cut && shortened)
            shortened->append(i + 1);
        used.insert(name.toLower());
        names.append(name);
    }
    return names;
}

QList<int> emptyOnes(const QStringList &texts)
{
    QList<int> list;
    for (int i = 0; i < texts.size(); ++i)
        if (texts[i].trimmed().isEmpty())
            list.append(i + 1);
    return list;
}

QList<int> repeatedOnes(const QStringList &texts)
{
    QList<int> list;
    QSet<QString> seen;
    for (int i = 0; i < texts.size(); ++i) {
        const QString name = sanitized(texts[i].trimmed()).toLower();
        if (name.isEmpty())
            continue;
        if (seen.contains(name))
            list.append(i + 1);
        seen.insert(name);
    }
    return list;
}

int existingIn(const QString &folder, const QStringList &names, const QString &suffix)
{
    const QDir dir(folder);
    return int(std::count_if(names.begin(), names.end(), [&](const QString &name) {
        return QFileInfo::exists(dir.filePath(name + suffix));
    }));
}

} // namespace PageFileNames
