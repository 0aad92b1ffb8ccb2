#include "FontSetup.h"

#include <QFont>
#include <QGuiApplication>
#include <QStringList>

namespace FontSetup {

QString songFamily()
{
    return QStringLiteral("AR PL UMing CN");
}
QString heiFamily()
{
    return QStringLiteral("WenQuanYi Micro Hei");
}
QString kaiFamily()
{
    return QStringLiteral("AR PL UKai CN");
}

void ensureSubstitutions()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    const QStringList hei{heiFamily(), QStringLiteral("WenQuanYi Zen Hei"), songFamily()};
    const QStringList song{songFamily(), QStringLiteral("AR PL UMing TW"), heiFamily()};
    const QStringList kai{kaiFamily(), QStringLiteral("AR PL UKai TW"), songFamily()};

    // Windows faces named by windows and templates; Noto CJK is avoided on purpose
    // because its PDF text layer maps many characters to radicals.
    for (const char *name :
         {"MS Sans Serif", "Tahoma", "Microsoft YaHei", "微软雅黑", "SimHei", "黑体"})
        QFont::insertSubstitutions(QString::fromUtf8(name), hei);
    for (const char *name : {"SimSun", "宋体", "NSimSun", "新宋体", "FangSong", "仿宋"})
        QFont::insertSubstitutions(QString::fromUtf8(name), song);
    for (const char *name : {"KaiTi", "楷体", "楷体_GB2312", "STKaiti"})
        QFont::insertSubstitutions(QString::fromUtf8(name), kai);
}

QString latinFamilyFor(const QString &family)
{
    static const QStringList serifBeside{QStringLiteral("宋体"),
                                         QStringLiteral("SimSun"),
                                         QStringLiteral("NSimSun"),
                                         QStringLiteral("新宋体"),
                                         QStringLiteral("楷体"),
                                         QStringLiteral("KaiTi"),
                                         QStringLiteral("楷体_GB2312"),
                                         QStringLiteral("STKaiti"),
                                         QStringLiteral("仿宋"),
                                         QStringLiteral("FangSong"),
                                         songFamily(),
                                         kaiFamily()};
    static const QStringList sansBeside{QStringLiteral("黑体"), QStringLiteral("SimHei"),
                                        QStringLiteral("微软雅黑"),
                                        QStringLiteral("Microsoft YaHei"), heiFamily()};
    if (serifBeside.contains(family))
        return QStringLiteral("Liberation Serif");
    if (sansBeside.contains(family))
        return QStringLiteral("Liberation Sans");
    return QString();
}

void install()
{
    ensureSubstitutions();
    // Qt's own default would pick whatever CJK fallback the locale prefers.
    QFont standard(heiFamily());
    standard.setPointSize(9);
    QGuiApplication::setFont(standard);
}

} // namespace FontSetup
