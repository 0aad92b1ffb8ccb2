#pragma once
// The benchmarks' letters: the shipped receivables letter for 'count' made-up customers.

#include "engine/ReportEngine.h"

#include <QCoreApplication>

inline ReportDocument benchLetters(int count)
{
    ReportEngine engine;
    engine.LoadTemplateFile(QCoreApplication::applicationDirPath() +
                            QStringLiteral("/../bin/应收帐款确认函.grf"));
    engine.setTitle(QStringLiteral("打印预览"));
    engine.setFetchRecordHandler([&] {
        for (int i = 0; i < count; ++i) {
            engine.DetailRecords().AddRecord();
            engine.LookupField(QStringLiteral("客户单位"))
                .SetText(QStringLiteral("客户%1贸易有限公司").arg(i));
            engine.LookupField(QStringLiteral("截止日期")).SetDate(45657);
            engine.LookupField(QStringLiteral("应收金额")).SetNumber(1000 + i * 7.31);
            engine.LookupField(QStringLiteral("函编号"))
                .SetText(QStringLiteral("WL-%1").arg(i, 6, 10, QLatin1Char('0')));
            engine.DetailRecords().CommitRecord();
        }
    });
    return engine.generate();
}
