// The record fetch: its date and number parses rule by rule, the round trip of the
// import's texts across locales, and the fetch against the engine.

#include "engine/ReportEngine.h"
#include "platform/Exception.h"
#include "platform/RegionalSettings.h"
#include "platform/TextToValue.h"
#include "platform/ValueText.h"
#include "report/ColumnBinding.h"
#include "report/LetterRows.h"
#include "report/LetterRun.h"
#include "report/RecordFetch.h"
#include "table/StringGridModel.h"

#include <QTest>

#include <cfloat>
#include <memory>

namespace {

const QDate kToday(2026, 12, 8);
constexpr double kInvalid = -1e9;

RegionalSettings settings(const QString &format, QChar separator, QChar decimal = QLatin1Char('.'))
{
    RegionalSettings s;
    s.shortDateFormat = format;
    s.dateSeparator = separator;
    s.decimalSeparator = decimal;
    s.timeFormat = QStringLiteral("H:mm:ss");
    return s;
}

QString dateError(const QString &text, const RegionalSettings &s, const QDate &today = kToday)
{
    try {
        TextToValue::date(text, s, today);
    } catch (const EConvertError &e) {
        return e.message();
    }
    return QString();
}

QString numberError(const QString &text, const RegionalSettings &s)
{
    try {
        TextToValue::number(text, s);
    } catch (const EConvertError &e) {
        return e.message();
    }
    return QString();
}

double day(int y, int m, int d)
{
    return ValueText::automationDate(QDate(y, m, d));
}

StringGridModel *tableOf(const QList<QStringList> &rows)
{
    auto *table = new StringGridModel;
    qsizetype columns = 4;
    for (const QStringList &row : rows)
        columns = std::max(columns, row.size());
    table->setColCount(int(columns));
    table->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            table->setCells(c, r, rows[r][c]);
    return table;
}

const QList<FieldDeclaration> kReceivables{{"客户单位", FieldType::Text},
                                           {"截止日期", FieldType::Date},
                                           {"应收金额", FieldType::Number},
                                           {"函编号", FieldType::Text}};

QString messageOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const Exception &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestFetch : public QObject
{
    Q_OBJECT
private slots:
    void datesByRule_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // -1: invalid
        const double march31 = day(2024, 3, 31);
        // Order by the first of d, m, y, e.
        QTest::newRow("ymd") << "yyyy-M-d"
                             << "-"
                             << "2024-3-31" << march31;
        QTest::newRow("ymd two-digit year") << "yyyy-M-d"
                                            << "-"
                                            << "24-3-31" << march31;
        QTest::newRow("ymd two numbers") << "yyyy-M-d"
                                         << "-"
                                         << "3-31" << day(2026, 3, 31);
        QTest::newRow("mdy") << "M/d/yyyy"
                             << "/"
                             << "3/31/2024" << march31;
        QTest::newRow("dmy") << "dd.MM.yyyy"
                             << "."
                             << "31.03.2024" << march31;
        QTest::newRow("dmy two numbers") << "dd.MM.yyyy"
                                         << "."
                                         << "31.3" << day(2026, 3, 31);
        QTest::newRow("mdy two numbers") << "M/d/yyyy"
                                         << "/"
                                         << "3/31" << day(2026, 3, 31);
        QTest::newRow("era letter counts as year") << "ee/M/d"
                                                   << "/"
                                                   << "2024/3/31" << march31;
        QTest::newRow("upper case letters") << "YYYY/MM/DD"
                                            << "/"
                                            << "2024/3/31" << march31;
        QTest::newRow("no letters means mdy") << "--"
                                              << "/"
                                              << "3/31/2024" << march31;
        // Separators and spaces.
        QTest::newRow("other separator") << "yyyy-M-d"
                                         << "-"
                                         << "2024/3/31" << kInvalid;
        QTest::newRow("trailing separator and spaces") << "yyyy-M-d"
                                                       << "-"
                                                       << "2024-3-31-   " << march31;
        QTest::newRow("two numbers and a separator") << "yyyy-M-d"
                                                     << "-"
                                                     << "3-31-" << kInvalid;
        QTest::newRow("spaces around") << "yyyy-M-d"
                                       << "-"
                                       << "  2024 - 3 -31 " << march31;
        QTest::newRow("tab is no space") << "yyyy-M-d"
                                         << "-"
                                         << "\t2024-3-31" << kInvalid;
        QTest::newRow("time part") << "yyyy/M/d"
                                   << "/"
                                   << "2024/3/31 14:30:00" << kInvalid;
        QTest::newRow("one number") << "yyyy/M/d"
                                    << "/"
                                    << "2024" << kInvalid;
        QTest::newRow("four numbers") << "yyyy/M/d"
                                      << "/"
                                      << "2024/3/31/1" << kInvalid;
        QTest::newRow("empty") << "yyyy/M/d"
                               << "/"
                               << "" << kInvalid;
        QTest::newRow("two separators") << "yyyy/M/d"
                                        << "/"
                                        << "2024//31" << kInvalid;
        // Digits read while the value is below 1000.
        QTest::newRow("year 1000 takes no further digit") << "yyyy/M/d"
                                                          << "/"
                                                          << "10000/1/1" << kInvalid;
        QTest::newRow("leading zeros") << "yyyy/M/d"
                                       << "/"
                                       << "02024/03/031" << march31;
        QTest::newRow("three-digit year as written") << "yyyy/M/d"
                                                     << "/"
                                                     << "999/1/1" << day(999, 1, 1);
        QTest::newRow("zero-padded two-digit year windowed") << "yyyy/M/d"
                                                             << "/"
                                                             << "0024/3/31" << day(24, 3, 31);
        QTest::newRow("one-digit year windowed") << "yyyy/M/d"
                                                 << "/"
                                                 << "5/3/31" << day(2005, 3, 31);
        QTest::newRow("window start") << "yyyy/M/d"
                                      << "/"
                                      << "76/1/1" << day(1976, 1, 1);
        QTest::newRow("window end") << "yyyy/M/d"
                                    << "/"
                                    << "75/1/1" << day(2075, 1, 1);
        // The Gregorian check.
        QTest::newRow("leap day") << "yyyy/M/d"
                                  << "/"
                                  << "2024/2/29" << day(2024, 2, 29);
        QTest::newRow("no leap day") << "yyyy/M/d"
                                     << "/"
                                     << "2023/2/29" << kInvalid;
        QTest::newRow("1900 is no leap year") << "yyyy/M/d"
                                              << "/"
                                              << "1900/2/29" << kInvalid;
        QTest::newRow("month 13") << "yyyy/M/d"
                                  << "/"
                                  << "2024/13/1" << kInvalid;
        QTest::newRow("day 0") << "yyyy/M/d"
                               << "/"
                               << "2024/1/0" << kInvalid;
        QTest::newRow("year 0") << "yyyy/M/d"
                                << "/"
                                << "000/1/1" << kInvalid;
        QTest::newRow("last day") << "yyyy/M/d"
                                  << "/"
                                  << "999/12/31" << day(999, 12, 31);
        QTest::newRow("letters") << "yyyy/M/d"
                                 << "/"
                                 << "2024/三/31" << kInvalid;
        QTest::newRow("full-width digits") << "yyyy/M/d"
                                           << "/"
                                           << "２０２４/3/31" << kInvalid;
    }
    void datesByRule()
    {
        QFETCH(QString, format);
        QFETCH(QString, separator);
        QFETCH(QString, text);
        QFETCH(double, value);
        const RegionalSettings s = settings(format, separator.at(0));
        if (value == kInvalid) {
            QCOMPARE(dateError(text, s), QStringLiteral("'%1' is not a valid date").arg(text));
        } else {
            QCOMPARE(dateError(text, s), QString());
            QCOMPARE(TextToValue::date(text, s, kToday), value);
        }
    }

    void twoDigitYearsFollowTheClock()
    {
        const RegionalSettings s = settings(QStringLiteral("yyyy-M-d"), QLatin1Char('-'));
        QCOMPARE(TextToValue::date(QStringLiteral("24-3-31"), s, QDate(1975, 6, 1)),
                 day(2024, 3, 31));
        QCOMPARE(TextToValue::date(QStringLiteral("24-3-31"), s, QDate(2074, 6, 1)),
                 day(2024, 3, 31));
        QCOMPARE(TextToValue::date(QStringLiteral("24-3-31"), s, QDate(2075, 6, 1)),
                 day(2124, 3, 31));
        QCOMPARE(TextToValue::date(QStringLiteral("3-31"), s, QDate(2030, 1, 1)), day(2030, 3, 31));
    }

    void numbersByRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "1234.5"
                               << "." << 1234.5 << true;
        QTest::newRow("spaces and sign") << "  -12.30  "
                                         << "." << -12.3 << true;
        QTest::newRow("plus") << "+7"
                              << "." << 7.0 << true;
        QTest::newRow("exponent") << "1.5e3"
                                  << "." << 1500.0 << true;
        QTest::newRow("negative exponent") << "25E-1"
                                           << "." << 2.5 << true;
        QTest::newRow("exponent without digits") << "1E"
                                                 << "." << 1.0 << true;
        QTest::newRow("lone separator") << "."
                                        << "." << 0.0 << true;
        QTest::newRow("trailing separator") << "5."
                                            << "." << 5.0 << true;
        QTest::newRow("leading separator") << ".25"
                                           << "." << 0.25 << true;
        QTest::newRow("comma decimal") << "1234,5"
                                       << "," << 1234.5 << true;
        QTest::newRow("grouping") << "1,234.50"
                                  << "." << 0.0 << false;
        QTest::newRow("dot under comma decimal") << "1234.5"
                                                 << "," << 0.0 << false;
        QTest::newRow("two separators") << "1.2.3"
                                        << "." << 0.0 << false;
        QTest::newRow("empty") << ""
                               << "." << 0.0 << false;
        QTest::newRow("spaces only") << "   "
                                     << "." << 0.0 << false;
        QTest::newRow("sign only") << "-"
                                   << "." << 0.0 << false;
        QTest::newRow("exponent only") << "E5"
                                       << "." << 0.0 << false;
        QTest::newRow("inner space") << "12 3"
                                     << "." << 0.0 << false;
        QTest::newRow("tab") << "\t12"
                             << "." << 0.0 << false;
        QTest::newRow("currency sign") << "¥12"
                                       << "." << 0.0 << false;
        QTest::newRow("exponent 500 beyond a double") << "1E500"
                                                      << "." << 0.0 << false;
        QTest::newRow("digit left over after 500") << "1E5000"
                                                   << "." << 0.0 << false;
        QTest::newRow("largest double") << "1.7976931348623157E308"
                                        << "." << DBL_MAX << true;
        QTest::newRow("beyond a double") << "1.8E308"
                                         << "." << 0.0 << false;
        QTest::newRow("tiny") << "1E-400"
                              << "." << 0.0 << true;
        QTest::newRow("many digits") << QString(400, QLatin1Char('9')) << "." << 0.0 << false;
        QTest::newRow("exponent sign without digits") << "2E-"
                                                      << "." << 2.0 << true;
    }
    void numbersByRule()
    {
        QFETCH(QString, text);
        QFETCH(QString, decimal);
        QFETCH(double, value);
        QFETCH(bool, valid);
        const RegionalSettings s =
            settings(QStringLiteral("yyyy/M/d"), QLatin1Char('/'), decimal.at(0));
        if (!valid) {
            QCOMPARE(numberError(text, s),
                     QStringLiteral("'%1' is not a valid floating point value").arg(text));
        } else {
            QCOMPARE(numberError(text, s), QString());
            QCOMPARE(TextToValue::number(text, s), value);
        }
    }

    void importTextsReadBack_data()
    {
        QTest::addColumn<QString>("locale");
        for (const char *name :
             {"zh_CN", "en_US", "de_DE", "en_CA", "C", "hu_HU", "ko_KR", "fr_FR", "ja_JP"})
            QTest::newRow(name) << name;
    }
    void importTextsReadBack()
    {
        QFETCH(QString, locale);
        const RegionalSettings s = RegionalSettings::fromLocale(QLocale(locale));
        for (const QDate &date :
             {QDate(1900, 3, 1), QDate(1970, 1, 1), QDate(1999, 12, 31), QDate(2024, 2, 29),
              QDate(2075, 1, 1), QDate(2076, 1, 1), QDate(9999, 12, 31), QDate(1000, 1, 1)}) {
            const QString text = ValueText::fromDate(ValueText::automationDate(date), s);
            QCOMPARE(TextToValue::date(text, s, kToday), ValueText::automationDate(date));
        }
        for (double number : {0.0, 0.1, 1234.5, -12.3, 128000.5, 1e15, 1.5e-5, 0.0001,
                              123456789012345.0, -9.87654321e-10, 1.7976931348623157e308}) {
            const QString text = ValueText::fromNumber(number, s);
            const double back = TextToValue::number(text, s);
            QVERIFY2(back == number || qAbs(back - number) <= qAbs(number) * 1e-14,
                     qPrintable(text));
        }
    }

    void fetchCommitsOneRecordPerDataRow()
    {
        ReportEngine engine;
        ReportTemplate report;
        report.fields = {{"客户单位", FieldType::Text},
                         {"截止日期", FieldType::Date},
                         {"应收金额", FieldType::Number},
                         {"函编号", FieldType::Text}};
        engine.setReportTemplate(report);
        std::unique_ptr<StringGridModel> table(
            tableOf({{"客户名称", "截止日期", "应收金额", "函编号"},
                     {"甲公司", "2024/12/31", "128000.5", "WL-1"},
                     {"", "2024/6/30", "-1", ""}}));
        const RegionalSettings s = RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
        engine.setFetchRecordHandler([&] { RecordFetch::run(*table, engine, s, kToday); });
        const ReportDocument document = engine.generate();
        QCOMPARE(document.pageCount(), 2);
        QCOMPARE(document.records[0], (RecordValues{QStringLiteral("甲公司"), QDate(2024, 12, 31),
                                                    128000.5, QStringLiteral("WL-1")}));
        QCOMPARE(document.records[1],
                 (RecordValues{QString(), QDate(2024, 6, 30), -1.0, QString()}));

        table.reset(tableOf({{"只有标题", "", "", ""}}));
        QCOMPARE(engine.generate().pageCount(), 0);
    }

    void fetchStopsAtTheFirstError()
    {
        ReportEngine engine;
        ReportTemplate report;
        report.fields = {{"客户单位", FieldType::Text},
                         {"截止日期", FieldType::Date},
                         {"应收金额", FieldType::Number},
                         {"函编号", FieldType::Text}};
        engine.setReportTemplate(report);
        std::unique_ptr<StringGridModel> table(tableOf({{"t", "t", "t", "t"},
                                                        {"一", "2024/1/1", "1", "1"},
                                                        {"二", "2024/1/2", "2", "2"},
                                                        {"三", "2024/13/1", "3", "3"},
                                                        {"四", "2024/1/4", "4", "4"}}));
        const RegionalSettings s = RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
        engine.setFetchRecordHandler([&] { RecordFetch::run(*table, engine, s, kToday); });
        QStringList committed;
        engine.DetailRecords().setCommitObserver([&](qsizetype count) {
            committed.append(engine.DetailRecords().committed(count - 1).at(0).toString());
        });
        try {
            engine.generate();
            QFAIL("no error");
        } catch (const EConvertError &e) {
            QCOMPARE(e.message(), QStringLiteral("'2024/13/1' is not a valid date"));
        }
        QCOMPARE(committed, (QStringList{"一", "二"}));

        // The amount's parse comes before its field is looked up: a template without
        // that field still fails on the text first.
        report.fields.removeAt(2);
        engine.setReportTemplate(report);
        table->setCells(1, 3, QStringLiteral("2024/1/3"));
        table->setCells(2, 1, QStringLiteral("1,000"));
        try {
            engine.generate();
            QFAIL("no error");
        } catch (const EConvertError &e) {
            QCOMPARE(e.message(), QStringLiteral("'1,000' is not a valid floating point value"));
        }
    }

    // Fields beyond the four come from the column titled with their names: titles trimmed of
    // half- and full-width spaces, values converted by the field's type, an empty cell giving
    // an empty text or no value; the four stay by position whatever their titles.
    void otherFieldsComeFromTheirTitledColumns()
    {
        ReportEngine engine;
        ReportTemplate report;
        report.fields = kReceivables;
        report.fields += {{"地址", FieldType::Text},
                          {"开户日期", FieldType::Date},
                          {"授信额度", FieldType::Number},
                          {"联系人", FieldType::Text}};
        engine.setReportTemplate(report);
        std::unique_ptr<StringGridModel> table(tableOf(
            {{"单位", "日期", "金额", "编号", " 地址　", "授信额度", "开户日期", "联系人", "地址"},
             {"甲", "2024/12/31", "1", "WL-1", "北京路 1 号", "5000.5", "2020/3/1", "张三", "别处"},
             {"乙", "2024/12/31", "2", "WL-2", "", "", "", "", ""}}));
        const RegionalSettings s = RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
        engine.setFetchRecordHandler([&] { RecordFetch::run(*table, engine, s, kToday); });
        const ReportDocument document = engine.generate();
        QCOMPARE(document.pageCount(), 2);
        QCOMPARE(document.records[0].mid(4),
                 (RecordValues{QStringLiteral("北京路 1 号"), QDate(2020, 3, 1), 5000.5,
                               QStringLiteral("张三")}));
        QCOMPARE(document.records[1].mid(4),
                 (RecordValues{QString(), QVariant(), QVariant(), QString()}));

        // The same title twice: the leftmost column is read, and the check says so.
        const ColumnBinding binding(report.fields, *table);
        QCOMPARE(binding.sourceOf(QStringLiteral("地址"))->column, 4);
        QCOMPARE(binding.describe(QStringLiteral("地址")), QStringLiteral("列“地址”（第 5 列）"));
        QCOMPARE(binding.describe(QStringLiteral("截止日期")), QStringLiteral("第 2 列"));
        QCOMPARE(binding.warnings(),
                 QStringList{
                     QStringLiteral("标题为“地址”的列不止一列：字段“地址”取第 5 列，第 9 列不用")});
    }

    void aFieldWithoutItsColumnStopsBeforeTheFirstLetter()
    {
        ReportEngine engine;
        ReportTemplate report;
        report.fields = kReceivables;
        report.fields.append({"地址", FieldType::Text});
        engine.setReportTemplate(report);
        std::unique_ptr<StringGridModel> table(
            tableOf({{"客户单位", "截止日期", "应收金额", "函编号", "", "邮编"},
                     {"甲", "2024/12/31", "1", "WL-1", "", "100000"}}));
        const RegionalSettings s = RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
        int committed = 0;
        engine.DetailRecords().setCommitObserver([&](qsizetype) { ++committed; });
        engine.setFetchRecordHandler([&] { RecordFetch::run(*table, engine, s, kToday); });
        QCOMPARE(
            messageOf([&] { engine.generate(); }),
            QStringLiteral("导入的表格第 1 行没有标题为“地址”的列，打印模板的字段“地址”无法"
                           "取值。表格的列标题有：客户单位、截止日期、应收金额、函编号、邮编"));
        QCOMPARE(committed, 0);
        QCOMPARE(ColumnBinding(report.fields, *table).describe(QStringLiteral("地址")),
                 QStringLiteral("表格中没有此列"));
    }

    // 函证码 needs no column: it takes the letter number, even where a column is titled so
    // (a second request's table carries the first letter's), and the check and the
    // designer's source say so rather than stop the run.
    void theLetterCodeTakesTheNumber_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("row");
        QTest::newRow("no column") << QStringList{"客户单位", "截止日期", "应收金额", "函编号"}
                                   << QStringList{"甲", "2024/12/31", "1", "WL-1-2"};
        QTest::newRow("a column titled so")
            << QStringList{"客户单位", "截止日期", "应收金额", "函编号", "函证码"}
            << QStringList{"甲", "2024/12/31", "1", "WL-1-2", "WL-1"};
    }
    void theLetterCodeTakesTheNumber()
    {
        QFETCH(QStringList, titles);
        QFETCH(QStringList, row);
        ReportEngine engine;
        ReportTemplate report;
        report.fields = kReceivables;
        report.fields.append({RecordFetch::LetterCode, FieldType::Text});
        engine.setReportTemplate(report);
        std::unique_ptr<StringGridModel> table(tableOf({titles, row}));
        const RegionalSettings s = RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
        engine.setFetchRecordHandler([&] { RecordFetch::run(*table, engine, s, kToday); });
        const ReportDocument document = engine.generate();
        QCOMPARE(document.records.size(), 1);
        QCOMPARE(document.records[0].value(report.fieldIndex(RecordFetch::LetterCode)).toString(),
                 QStringLiteral("WL-1-2"));
        const ColumnBinding binding(report.fields, *table);
        QCOMPARE(binding.describe(RecordFetch::LetterCode),
                 QStringLiteral("由第 4 列的函编号生成"));
        QVERIFY(binding.titled().size() == 0);
        LetterRun run(*table, s);
        QVERIFY(run.check(report).isEmpty());
        const SampleData samples = run.sampleData();
        QVERIFY(samples.sourceOf(RecordFetch::LetterCode).found);
        QCOMPARE(samples.records[0].values.value(RecordFetch::LetterCode).toString(),
                 QStringLiteral("WL-1-2"));
    }

    // A bad value in a titled column stops the run as a bad amount does, at its cell.
    void aBadValueInATitledColumnStopsAtItsCell()
    {
        ReportEngine engine;
        ReportTemplate report;
        report.fields = kReceivables;
        report.fields.append({"授信额度", FieldType::Number});
        engine.setReportTemplate(report);
        std::unique_ptr<StringGridModel> table(
            tableOf({{"客户单位", "截止日期", "应收金额", "函编号", "授信额度"},
                     {"甲", "2024/12/31", "1", "WL-1", "10"},
                     {"乙", "2024/12/31", "2", "WL-2", "十万"}}));
        const RegionalSettings s = RegionalSettings::fromLocale(QLocale(QStringLiteral("zh_CN")));
        QPoint reading;
        engine.setFetchRecordHandler(
            [&] { RecordFetch::run(*table, engine, s, kToday, &reading); });
        QCOMPARE(messageOf([&] { engine.generate(); }),
                 QStringLiteral("'十万' is not a valid floating point value"));
        QCOMPARE(reading, QPoint(4, 2));
    }

    // A title in the first four columns that names a field they are not read for is said;
    // the print reads them by position all the same.
    void misplacedTitlesAreWarned()
    {
        std::unique_ptr<StringGridModel> table(
            tableOf({{"客户单位", "地址", "应收金额", "函编号", "截止日期"}}));
        QList<FieldDeclaration> fields = kReceivables;
        fields.append({"地址", FieldType::Text});
        QCOMPARE(ColumnBinding(fields, *table).warnings(),
                 (QStringList{
                     QStringLiteral("第 2 列的标题是“地址”，但打印模板在第 2 列读取“截止日期”")}));
        QCOMPARE(ColumnBinding(fields, *table).sourceOf(QStringLiteral("截止日期"))->column, 1);

        // The fourth column is one of the four read by position too.
        std::unique_ptr<StringGridModel> lastOfFour(
            tableOf({{"客户单位", "截止日期", "应收金额", "地址", "函编号"}}));
        QCOMPARE(ColumnBinding(fields, *lastOfFour).warnings(),
                 (QStringList{
                     QStringLiteral("第 4 列的标题是“地址”，但打印模板在第 4 列读取“函编号”")}));
    }

    // Rows whose cells are all empty (or blank) make no letter; every letter needs a number
    // of its own, and the problems name the cells as the sheet shows them.
    void lettersAreTheRowsWithTextAndTheirOwnNumbers()
    {
        std::unique_ptr<StringGridModel> table(tableOf({{"客户", "日期", "金额", "编号"},
                                                        {"甲", "2024/12/31", "1", "N-1"},
                                                        {},
                                                        {" ", "", "", "\t"},
                                                        {"乙", "2024/12/31", "2", ""},
                                                        {"丙", "2024/12/31", "3", "N-1"},
                                                        {"丁", "2024/12/31", "4", " N-1 "},
                                                        {"", "", "", "", "备注只在第五列"}}));
        table->setSheetOrigin(QPoint(2, 3)); // the used range began at B3
        const LetterRows rows(*table);
        QCOMPARE(rows.rows(), (QList<int>{1, 4, 5, 6, 7}));
        QCOMPARE(rows.emptyRows(), (QList<int>{2, 3}));
        const QList<LetterRows::Problem> problems = rows.numberProblems();
        QCOMPARE(problems.size(), 3);
        // In the order of their first rows.
        QCOMPARE(problems[0].place, QStringLiteral("第4行、第8行、第9行"));
        QCOMPARE(problems[0].message, QStringLiteral("函编号“N-1”重复"));
        QCOMPARE(problems[1].place, QStringLiteral("第7行E列"));
        QCOMPARE(problems[1].message, QStringLiteral("没有函编号"));
        QCOMPARE(problems[2].place, QStringLiteral("第10行E列"));
        QVERIFY(messageOf([&] { rows.requireNumbers(); })
                    .endsWith(QStringLiteral(
                        "第4行、第8行、第9行：函编号“N-1”重复\n第7行E列：没有函编号\n"
                        "第10行E列：没有函编号")));

        // Many are summed up, not listed.
        QList<QStringList> many{{"客户", "日期", "金额", "编号"}};
        for (int i = 0; i < 30; ++i)
            many.append({QStringLiteral("客户%1").arg(i), "2024/12/31", "1", "同"});
        std::unique_ptr<StringGridModel> same(tableOf(many));
        const QList<LetterRows::Problem> repeated = LetterRows(*same).numberProblems();
        QCOMPARE(repeated.size(), 1);
        QVERIFY(repeated[0].place.endsWith(QStringLiteral("第11行等 30 处")));

        // The fetch skips the empty rows: one record per letter.
        std::unique_ptr<StringGridModel> gaps(tableOf({{"客户", "日期", "金额", "编号"},
                                                       {"甲", "2024/12/31", "1", "A"},
                                                       {},
                                                       {"乙", "2024/12/31", "2", "B"}}));
        ReportEngine engine;
        ReportTemplate report;
        report.fields = kReceivables;
        engine.setReportTemplate(report);
        engine.setFetchRecordHandler([&] {
            RecordFetch::run(*gaps, engine, settings(QStringLiteral("yyyy/M/d"), QLatin1Char('/')),
                             kToday);
        });
        QCOMPARE(engine.generate().pageCount(), 2);

        // Letters made already (a preview's, for the register) are named by their places.
        ReportDocument letters;
        letters.report.fields = kReceivables;
        for (const char *number : {"A", "B", "A", ""})
            letters.records.append(
                {QStringLiteral("甲"), QDate(2024, 12, 31), 1.0, QString::fromUtf8(number)});
        QVERIFY(messageOf([&] {
                    LetterRun::requireNumbers(letters);
                }).endsWith(QStringLiteral("第1封、第3封：函编号“A”重复\n第4封：没有函编号")));
    }

    // A run limited to some rows (a selection's) makes letters of them alone, in table
    // order; what is wrong elsewhere in the table neither stops nor is reported by it.
    void aRunOfSomeRowsLooksAtThemAlone()
    {
        std::unique_ptr<StringGridModel> table(tableOf({{"客户", "日期", "金额", "编号"},
                                                        {"甲", "2024/12/31", "1", "N-1"},
                                                        {"乙", "2024/13/31", "2", "N-2"},
                                                        {"丙", "2024/12/31", "3", "N-1"},
                                                        {},
                                                        {"丁", "2024/12/31", "4", "N-4"},
                                                        {"戊", "2024/12/31", "五", ""}}));
        const RegionalSettings s = settings(QStringLiteral("yyyy/M/d"), QLatin1Char('/'));
        ReportTemplate report;
        report.fields = kReceivables;
        report.elements.append(ReportElement());
        report.elements.last().kind = ElementKind::Field;
        report.elements.last().field = RecordFetch::LetterNumber;
        LetterRun run(*table, s);
        QVERIFY(LetterRun::numbersLetters(report));
        QCOMPARE(run.check(report).size(), 4); // the date, the repeat, the amount, the number

        // Out of order and repeated, an empty row and rows beyond the table among them.
        run.setRows(QList<int>{5, 1, 4, 5, 99, 0});
        QCOMPARE(run.letterRows(), (QList<int>{1, 5}));
        QVERIFY(run.check(report).isEmpty());
        const SampleData sample = run.sampleData();
        QCOMPARE(sample.records.size(), 2);
        QCOMPARE(sample.records[1].label, QStringLiteral("第 5 行：丁"));

        ReportEngine engine;
        engine.setReportTemplate(report);
        engine.setFetchRecordHandler([&] { run.fetch(engine); });
        ReportDocument letters = engine.generate();
        QCOMPARE(letters.pageCount(), 2);
        QCOMPARE(letters.records[0].at(0).toString(), QStringLiteral("甲"));
        QCOMPARE(letters.records[1].at(0).toString(), QStringLiteral("丁"));

        // A bad row inside the subset is named by its place, as in a whole run.
        run.setRows(QList<int>{2, 5});
        const QList<LetterRun::Problem> problems = run.check(report);
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems[0].place, QStringLiteral("第3行B列")); // the sheet's rows begin at 1
        QPoint reading;
        engine.setFetchRecordHandler([&] { run.fetch(engine, &reading); });
        QVERIFY(messageOf([&] { engine.generate(); }).startsWith(QStringLiteral("第3行B列")));
        // A repeated number counts only among the rows printed.
        run.setRows(QList<int>{1, 3});
        QVERIFY(messageOf([&] { engine.generate(); }).contains(QStringLiteral("函编号“N-1”重复")));

        // None again: the whole table.
        run.setRows(std::nullopt);
        QCOMPARE(run.letterRows(), (QList<int>{1, 2, 3, 5, 6}));
    }
};

QTEST_MAIN(TestFetch)
#include "test_fetch.moc"
