#pragma once
// What the engine's windows call the documents they show. The engine's caller gives it,
// so the same preview, progress and export speak of letters, labels or plain pages.

#include <QList>
#include <QString>
#include <QStringList>

struct DocumentWording
{
    QString unit = QStringLiteral("页");      // measure word for one page's document: 页, 封, 张
    QString noun;                             // what one page's document is, after the unit
    QString runName = QStringLiteral("文档"); // the documents of one run as a whole
    QString emptyText = QStringLiteral("没有可显示的页。");
    QString fileNameField; // the field offered first for one file per page; may be empty
    // What tells one page's document from the others in its own file's title, as a template
    // text of the page's fields ("{函编号}，{客户单位}"); may be empty.
    QString pageTitle;

    // "12 封询证函", "12 页".
    QString count(qsizetype n) const { return QStringLiteral("%1 %2%3").arg(n).arg(unit, noun); }
    // "第3封", "第3页".
    QString ordinal(qsizetype n) const { return QStringLiteral("第%1%2").arg(n).arg(unit); }
    // Some of the documents by number (from 1): "第3封、第7封", the first ten and a count
    // beyond them.
    QString ordinals(const QList<int> &pages) const
    {
        QStringList parts;
        for (qsizetype i = 0; i < pages.size() && i < 10; ++i)
            parts.append(ordinal(pages[i]));
        if (pages.size() > 10)
            parts.append(QStringLiteral("等共 %1 %2").arg(pages.size()).arg(unit));
        return parts.join(QStringLiteral("、"));
    }
    // One document by itself: "询证函", "页".
    QString item() const { return noun.isEmpty() ? unit : noun; }
    // A run's documents by name: "应收帐款确认函（12 封）"; the run's name when the template
    // has no title.
    QString nameOfRun(const QString &templateTitle, qsizetype n) const
    {
        return QStringLiteral("%1（%2 %3）")
            .arg(templateTitle.isEmpty() ? runName : templateTitle)
            .arg(n)
            .arg(unit);
    }
    // One page's document by name, as ReportDocument::pageName is written:
    // "应收帐款确认函（{函编号}，{客户单位}）"; empty without a page title.
    QString nameOfPage(const QString &templateTitle) const
    {
        if (pageTitle.isEmpty())
            return QString();
        QString title = templateTitle.isEmpty() ? runName : templateTitle;
        // The title is shown as it is written, braces and all.
        title.replace(QLatin1Char('{'), QStringLiteral("{{"))
            .replace(QLatin1Char('}'), QStringLiteral("}}"));
        return QStringLiteral("%1（%2）").arg(title, pageTitle);
    }
};
