// Waybills bound to letters: courier labels drawn, saved as a scanner or a phone would
// save them and read back in the order a person reads the sheet; couriers' exports read
// and refused as they contradict themselves.

#include "control/WaybillImport.h"
#include "control/WaybillScan.h"
#include "platform/WaybillRules.h"
#include "support/LabelSheet.h"
#include "support/MessageOf.h"
#include "support/ScanMaker.h"
#include "support/WorkbookTools.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Couriers' numbers as they come: all digits, a prefix, EMS's letters at both ends, JD's
// parcel suffix with hyphens.
const QStringList kWaybills{
    QStringLiteral("SF1428837650123"),     QStringLiteral("773012345678901"),
    QStringLiteral("YT7654321098765"),     QStringLiteral("EA123456789CN"),
    QStringLiteral("JDVA01234567890-1-1"), QStringLiteral("4300987654321"),
    QStringLiteral("ZTO75310864209"),      QStringLiteral("SF1428837650998")};

// A 2 × 4 sheet of the waybills above; one label carries the letter's QR code, one its
// receipt stub with the same waybill again, one a short sorting code that is no waybill.
QList<LabelContent> labelsOfSheet()
{
    QList<LabelContent> labels;
    for (const QString &waybill : kWaybills)
        labels.append({waybill, {}, {}, 0});
    labels[1].letterQr = QStringLiteral("HZ2026-0002|客户2贸易有限公司");
    labels[2].stub = kWaybills[2];
    labels[5].stub = QStringLiteral("R12");
    return labels;
}

QString saved(const QTemporaryDir &dir, const QImage &image, const char *format)
{
    const QString path = dir.filePath(QStringLiteral("labels.%1").arg(QLatin1String(format)));
    if (!image.save(path, format, 85))
        qFatal("could not save %s", qPrintable(path));
    return path;
}

QString written(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("could not write %s", qPrintable(path));
    return path;
}

QByteArray gb18030(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder(text);
}

using Lines = QList<WaybillImport::Line>;

} // namespace

Q_DECLARE_METATYPE(Lines)

namespace QTest {
template <> char *toString(const WaybillImport::Line &line)
{
    return qstrdup(
        QStringLiteral("(%1, %2, row %3)").arg(line.number, line.waybill).arg(line.row).toUtf8());
}
} // namespace QTest

inline bool operator==(const WaybillImport::Line &a, const WaybillImport::Line &b)
{
    return a.number == b.number && a.waybill == b.waybill && a.row == b.row;
}

class TestWaybills : public QObject
{
    Q_OBJECT

private slots:
    void readsLabelSheets_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<double>("degrees");
        QTest::addColumn<bool>("photo"); // blurred a little and speckled, as a phone takes it
        QTest::newRow("150 dpi PNG") << 150.0 << QByteArray("png") << 0.0 << false;
        QTest::newRow("150 dpi JPEG") << 150.0 << QByteArray("jpg") << 0.0 << false;
        QTest::newRow("200 dpi JPEG turned 90°") << 200.0 << QByteArray("jpg") << 90.0 << false;
        QTest::newRow("200 dpi PNG upside down") << 200.0 << QByteArray("png") << 180.0 << false;
        QTest::newRow("200 dpi PNG turned 270°") << 200.0 << QByteArray("png") << 270.0 << false;
        QTest::newRow("200 dpi JPEG askew 2°") << 200.0 << QByteArray("jpg") << 2.0 << false;
        QTest::newRow("300 dpi PNG askew -2°") << 300.0 << QByteArray("png") << -2.0 << false;
        QTest::newRow("300 dpi JPEG turned 90° and askew")
            << 300.0 << QByteArray("jpg") << 92.0 << false;
        QTest::newRow("150 dpi JPEG upside down and askew")
            << 150.0 << QByteArray("jpg") << 178.0 << false;
        QTest::newRow("200 dpi TIFF askew 1°") << 200.0 << QByteArray("tif") << 1.0 << false;
        QTest::newRow("200 dpi JPEG photo askew 3°") << 200.0 << QByteArray("jpg") << 3.0 << true;
        QTest::newRow("300 dpi JPEG photo turned 270°")
            << 300.0 << QByteArray("jpg") << 270.0 << true;
    }
    // Every waybill once, in the order the labels are read; the letter's QR code and the
    // sorting code are no waybills.
    void readsLabelSheets()
    {
        QFETCH(double, dpi);
        QFETCH(QByteArray, format);
        QFETCH(double, degrees);
        QFETCH(bool, photo);
        SheetLayout sheet;
        sheet.dpi = dpi;
        QImage page = labelSheet(labelsOfSheet(), sheet);
        if (degrees != 0)
            page = turned(page, degrees);
        if (photo)
            page = noisy(blurred(page, 1), 16, 7);
        QTemporaryDir dir;
        const WaybillScan::Labels labels = WaybillScan::read(saved(dir, page, format.constData()));
        QCOMPARE(labels.waybills, kWaybills);
        QCOMPARE(labels.ignored, QStringList{QStringLiteral("R12")});
    }

    // Labels pasted unevenly: a row's right label higher than its left one is still read
    // after it, and pages follow each other in a scanner's PDF.
    void readsRowsByOverlapAcrossPages()
    {
        SheetLayout sheet;
        sheet.dpi = 150;
        QList<LabelContent> first, second;
        for (int i = 0; i < 4; ++i)
            first.append({kWaybills[i], {}, {}, i % 2 ? 6.0 : 0.0});
        for (int i = 4; i < 8; ++i)
            second.append({kWaybills[i], {}, {}, i % 2 ? 0.0 : 5.0});
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("labels.pdf"));
        writePicturePdf(path, {labelSheet(first, sheet), turned(labelSheet(second, sheet), 180)},
                        sheet.dpi);
        QCOMPARE(WaybillScan::read(path).waybills, kWaybills);
    }

    void refusesUnreadableFiles()
    {
        QTemporaryDir dir;
        const QString path =
            written(dir, QStringLiteral("面单.png"), QByteArray("\x89PNG\r\n\x1a\nbroken", 14));
        QCOMPARE(messageOf([&] { WaybillScan::read(path); }),
                 QStringLiteral("“面单.png”第 1 页无法读取：图片数据已损坏"));
        const QString missing = dir.filePath(QStringLiteral("没有.pdf"));
        QCOMPARE(messageOf([&] { WaybillScan::read(missing); }),
                 QStringLiteral("“没有.pdf”无法读取：文件不存在"));
    }

    void binds_data()
    {
        QTest::addColumn<int>("letters");
        QTest::addColumn<int>("waybills");
        QTest::addColumn<QString>("mismatch");
        QTest::newRow("as many") << 3 << 3 << QString();
        QTest::newRow("a waybill short")
            << 12 << 11
            << QStringLiteral("选中了 12 封询证函，读到 11 个运单号：按顺序配对后，1 封询证函没有"
                              "运单号（HZ-12）。请核对选中的询证函和扫描的面单");
        QTest::newRow("waybills over")
            << 2 << 4
            << QStringLiteral("选中了 2 封询证函，读到 4 个运单号：按顺序配对后，2 个运单号没有"
                              "对应的询证函（SF000003、SF000004）。请核对选中的询证函和扫描的面单");
        QTest::newRow("none read") << 2 << 0
                                   << QStringLiteral("选中了 2 封询证函，读到 0 个运单号：按顺序配"
                                                     "对后，2 封询证函没有运单号（HZ-1、HZ-2）。请"
                                                     "核对选中的询证函和扫描的面单");
    }
    void binds()
    {
        QFETCH(int, letters);
        QFETCH(int, waybills);
        QFETCH(QString, mismatch);
        QStringList chosen, read;
        for (int i = 1; i <= letters; ++i)
            chosen.append(QStringLiteral("HZ-%1").arg(i));
        for (int i = 1; i <= waybills; ++i)
            read.append(QStringLiteral("SF%1").arg(i, 6, 10, QLatin1Char('0')));
        const WaybillScan::Binding binding = WaybillScan::bind(chosen, read);
        QCOMPARE(binding.mismatch, mismatch);
        QCOMPARE(binding.pairs.size(), std::min(letters, waybills));
        for (qsizetype i = 0; i < binding.pairs.size(); ++i)
            QCOMPARE(binding.pairs[i], qMakePair(chosen[i], read[i]));
        QCOMPARE(binding.lettersLeft + binding.waybillsLeft,
                 chosen.mid(binding.pairs.size()) + read.mid(binding.pairs.size()));
    }

    void waybillRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normalized");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("grouped, lower case") << QStringLiteral(" sf 1428 8376 50123 ")
                                             << QStringLiteral("SF1428837650123") << QString();
        QTest::newRow("full width") << QStringLiteral("ＳＦ１４２８８３７６５０")
                                    << QStringLiteral("SF1428837650") << QString();
        QTest::newRow("hyphens") << QStringLiteral("jdva01234567890-1-1")
                                 << QStringLiteral("JDVA01234567890-1-1") << QString();
        QTest::newRow("six") << QStringLiteral("123456") << QStringLiteral("123456") << QString();
        QTest::newRow("thirty") << QString(30, QLatin1Char('9')) << QString(30, QLatin1Char('9'))
                                << QString();
        QTest::newRow("empty") << QStringLiteral("  ") << QString()
                               << QStringLiteral("快递单号为空");
        QTest::newRow("five") << QStringLiteral("12345") << QStringLiteral("12345")
                              << QStringLiteral("快递单号“12345”有 5 位，应为 6 到 30 位");
        QTest::newRow("thirty-one")
            << QString(31, QLatin1Char('1')) << QString(31, QLatin1Char('1'))
            << QStringLiteral("快递单号“%1”有 31 位，应为 6 到 30 位")
                   .arg(QString(31, QLatin1Char('1')));
        QTest::newRow("underscore")
            << QStringLiteral("SF123_4567") << QStringLiteral("SF123_4567")
            << QStringLiteral("快递单号“SF123_4567”含有字母、数字和连字符以外的字符");
        QTest::newRow("Chinese") << QStringLiteral("顺丰123456") << QStringLiteral("顺丰123456")
                                 << QStringLiteral(
                                        "快递单号“顺丰123456”含有字母、数字和连字符以外的字符");
    }
    void waybillRules()
    {
        QFETCH(QString, text);
        QFETCH(QString, normalized);
        QFETCH(QString, refusal);
        QCOMPARE(WaybillRules::normalized(text), normalized);
        QCOMPARE(WaybillRules::plausible(text), refusal.isEmpty());
        QCOMPARE(messageOf([&] { WaybillRules::requireWaybill(text); }), refusal);
        if (refusal.isEmpty())
            QCOMPARE(WaybillRules::requireWaybill(text), normalized);
    }

    void readsExports_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty: an .xlsx of 'rows'
        QTest::addColumn<QJsonArray>("rows");
        QTest::addColumn<Lines>("expected");
        const Lines lines{{QStringLiteral("HZ-0001"), QStringLiteral("SF1428837650123"), 2},
                          {QStringLiteral("HZ-0002"), QStringLiteral("773012345678901"), 3},
                          {QStringLiteral("HZ-0003"), QStringLiteral("JDVA01234567890-1-1"), 5}};
        const QString csv =
            QStringLiteral("序号,函证编号,收件单位,运单号\r\n"
                           "1,HZ-0001,\"客户1贸易有限公司,财务部\",SF1428837650123\r\n"
                           "2,HZ-0002,客户2贸易有限公司,7730 1234 5678 901\r\n"
                           ",,,\r\n"
                           "3, HZ-0003 ,客户3贸易有限公司,jdva01234567890-1-1\r\n"
                           "4,HZ-0001,客户1贸易有限公司,SF1428837650123\r\n"
                           "合计,3,,\r\n"
                           ",合计,,3 票\r\n");
        QTest::newRow("CSV in UTF-8 with its mark")
            << QStringLiteral("快递.csv") << QByteArray("\xEF\xBB\xBF") + csv.toUtf8()
            << QJsonArray() << lines;
        QTest::newRow("CSV in GB18030, other titles")
            << QStringLiteral("快递.csv")
            << gb18030(QString(csv).replace(QStringLiteral("函证编号,收件单位,运单号"),
                                            QStringLiteral(" 函编号 ,收件单位, 快递单号")))
            << QJsonArray() << lines;
        // A caption above the titles, the waybill typed as a number.
        QTest::newRow("xlsx")
            << QStringLiteral("快递.xlsx") << QByteArray()
            << QJsonArray{QJsonArray{QStringLiteral("顺丰速运 寄件明细")}, QJsonArray{},
                          QJsonArray{QStringLiteral("运单号"), QStringLiteral("函证编号")},
                          QJsonArray{QStringLiteral("SF1428837650123"), QStringLiteral("HZ-0001")},
                          QJsonArray{773012345678901.0, QStringLiteral("HZ-0002")}}
            << Lines{{QStringLiteral("HZ-0001"), QStringLiteral("SF1428837650123"), 4},
                     {QStringLiteral("HZ-0002"), QStringLiteral("773012345678901"), 5}};
    }
    void readsExports()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QJsonArray, rows);
        QFETCH(Lines, expected);
        QTemporaryDir dir;
        QString path = dir.filePath(name);
        if (bytes.isEmpty())
            writeWorkbook(path, QStringLiteral("寄件"), rows);
        else
            written(dir, name, bytes);
        QCOMPARE(WaybillImport::read(path), expected);
    }

    void refusesExports_data()
    {
        QTest::addColumn<QString>("csv"); // a line of titles first; empty: the .xlsx below
        QTest::addColumn<QString>("message");
        const QString titles = QStringLiteral("函证编号,运单号\n");
        QTest::newRow("a waybill of two letters")
            << titles + QStringLiteral("HZ-1,SF1000001\nHZ-2,SF1000002\nHZ-3,sf 1000001\n")
            << QStringLiteral("“快递.csv”第 4 行：运单号“SF1000001”在第 2 行已给了函证编号“HZ-1”，"
                              "不能再给“HZ-3”；未读取任何运单号");
        QTest::newRow("a letter with two waybills")
            << titles + QStringLiteral("HZ-1,SF1000001\nHZ-2,SF1000002\n\nHZ-1,SF1000003\n")
            << QStringLiteral("“快递.csv”第 5 行：函证编号“HZ-1”在第 2 行的运单号是“SF1000001”，"
                              "这里又给了“SF1000003”；未读取任何运单号");
        QTest::newRow("an empty waybill")
            << titles + QStringLiteral("HZ-1,SF1000001\nHZ-2, \n")
            << QStringLiteral("“快递.csv”第 3 行：函证编号“HZ-2”的运单号为空；未读取任何运单号");
        QTest::newRow("a waybill without its letter")
            << titles + QStringLiteral("HZ-1,SF1000001\n,SF1000002\n")
            << QStringLiteral("“快递.csv”第 3 行：运单号“SF1000002”没有函证编号；未读取任何运单号");
        QTest::newRow("too short")
            << titles + QStringLiteral("HZ-1,SF1000001\nHZ-2,SF12\n")
            << QStringLiteral("“快递.csv”第 3 行：快递单号“SF12”有 4 位，应为 6 到 30 位；"
                              "未读取任何运单号");
        QTest::newRow("not a courier's number")
            << titles + QStringLiteral("HZ-1,已寄出（顺丰）\n")
            << QStringLiteral("“快递.csv”第 2 行：快递单号“已寄出（顺丰）”含有字母、数字和连字符"
                              "以外的字符；未读取任何运单号");
        QTest::newRow("no letter column")
            << QStringLiteral("编号,运单号\nHZ-1,SF1000001\n")
            << QStringLiteral("“快递.csv”前 10 行中没有“函证编号”（或“函编号”）列，无法读取运单号");
        QTest::newRow("no waybill column")
            << QStringLiteral("函证编号,单号\nHZ-1,SF1000001\n")
            << QStringLiteral("“快递.csv”的列标题中没有“运单号”（或“快递单号”）列，无法读取运单号");
        QTest::newRow("xlsx, its sheet named")
            << QString()
            << QStringLiteral("“快递.xlsx”的工作表“寄件”第 3 行：运单号“SF1000001”在第 2 行已给了"
                              "函证编号“HZ-1”，不能再给“HZ-2”；未读取任何运单号");
    }
    void refusesExports()
    {
        QFETCH(QString, csv);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QString path;
        if (csv.isEmpty()) {
            path = dir.filePath(QStringLiteral("快递.xlsx"));
            writeWorkbook(
                path, QStringLiteral("寄件"),
                QJsonArray{QJsonArray{QStringLiteral("函证编号"), QStringLiteral("运单号")},
                           QJsonArray{QStringLiteral("HZ-1"), QStringLiteral("SF1000001")},
                           QJsonArray{QStringLiteral("HZ-2"), QStringLiteral("SF1000001")}});
        } else {
            path = written(dir, QStringLiteral("快递.csv"), csv.toUtf8());
        }
        QCOMPARE(messageOf([&] { WaybillImport::read(path); }), message);
    }
};

QTEST_MAIN(TestWaybills)
#include "test_waybills.moc"
