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

QStringList make(const QStringList &texts, const std::function<QString(qsizetype)> &ordinal)
{
    QStringList names;
    QSet<QString> used;
    for (int i = 0; i < texts.size(); ++i) {
        QString base = sanitized(texts[i].trimmed());
        if (base.isEmpty())
            base = ordinal(i + 1);
        QString name = base;
        for (int n = 2; used.contains(name.toLower()); ++n)
            name = base + QLatin1Char('-') + QString::number(n);
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
