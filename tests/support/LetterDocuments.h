#pragma once
// Generated letters for the tests of the ledger's print runs: the four fields the record
// fetch fills, a further field, and one short text per page.

#include "engine/ReportDocument.h"

#include <optional>

struct LetterRow
{
    QString number;
    QString customer;
    std::optional<double> amount;
    QString address;
};

inline ReportDocument letterDocument(const QList<LetterRow> &rows)
{
    ReportDocument document;
    ReportTemplate &report = document.report;
    report.title = QStringLiteral("应收帐款确认函");
    report.page.widthMm = 210;
    report.page.heightMm = 297;
    report.fields = {{QStringLiteral("客户单位"), FieldType::Text},
                     {QStringLiteral("截止日期"), FieldType::Date},
                     {QStringLiteral("应收金额"), FieldType::Number},
                     {QStringLiteral("函编号"), FieldType::Text},
                     {QStringLiteral("地址"), FieldType::Text}};
    ReportElement text;
    text.rectMm = QRectF(20, 20, 170, 20);
    text.text = QStringLiteral("{函编号} {客户单位}：{应收金额:#,##0.00} {地址}");
    report.elements = {text};
    for (const LetterRow &row : rows)
        document.records.append({row.customer, QDate(2026, 12, 31),
                                 row.amount ? QVariant(*row.amount) : QVariant(), row.number,
                                 row.address});
    document.title = QStringLiteral("打印预览");
    document.printDate = QDate(2027, 1, 5);
    return document;
}

// 'count' letters numbered from 'first': HZ-0001 …
inline ReportDocument numberedLetters(int first, int count, const QString &prefix = "HZ")
{
    QList<LetterRow> rows;
    for (int n = first; n < first + count; ++n)
        rows.append({QStringLiteral("%1-%2").arg(prefix).arg(n, 4, 10, QLatin1Char('0')),
                     QStringLiteral("第%1贸易有限公司").arg(n), 1000 + n * 0.01,
                     QStringLiteral("中山路%1号").arg(n)});
    return letterDocument(rows);
}
