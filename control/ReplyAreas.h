#pragma once
// Where a reply page's respondent may write (回函区), in page millimetres from the page's top
// left: the comparison of a scanned reply with its letter skips them, and reads the answer
// from the two answer boxes among them. The ledger keeps them with each run as text.

#include <QList>
#include <QRectF>
#include <QString>

struct ReportTemplate;

struct ReplyAreas
{
    QList<QRectF> free; // every area the respondent may write in, the two boxes included
    QRectF agree;       // 数据证明无误
    QRectF disagree;    // 数据不符
    // The ruled lines in the disagree box the differences are written on (the whole box
    // when empty), cut out for keying.
    QRectF differences;

    QString toJson() const;
    // Raises Exception when the text is not areas written by toJson.
    static ReplyAreas fromJson(const QString &json);
    // The areas of the shipped confirmation letters.
    static ReplyAreas shippedLetter();
    // The areas a template marks as 回函区; its answer boxes are the elements named 数据证明无误
    // and 数据不符, the lines inside the second the differences are written on.
    static ReplyAreas of(const ReportTemplate &report);

    bool operator==(const ReplyAreas &) const = default;
};
