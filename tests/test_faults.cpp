// Faults from outside during a run: a save killed halfway, a full disk under a PDF export,
// a workbook cut short or gone while it is read. Each ends in the old or the new file, or
// in a clear message, and the program goes on.

#include "engine/PdfExport.h"
#include "engine/ReportEngine.h"
#include "engine/ReportError.h"
#include "engine/TemplateReader.h"
#include "engine/TemplateWriter.h"
#include "platform/Exception.h"
#include "platform/FontSetup.h"
#include "spreadsheet/SpreadsheetError.h"
#include "spreadsheet/WorkbookFile.h"
#include "support/TestData.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <type_traits>

namespace {

QString shipped(const QString &name)
{
    return qEnvironmentVariable("PROGRAM_DIR") + QLatin1Char('/') + name + QStringLiteral(".grf");
}

// A file that takes so many bytes and then finds the disk full.
// A file saved in place (QSaveFile) or staged (QFile) on a disk with so much room left.
template <typename File> class FullDisk : public File
{
public:
    FullDisk(const QString &path, qint64 room) : File(path), m_room(room) {}

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        if (length > m_room) {
            // As a failed write of the file itself: a save in place is spoilt, not committed.
            if constexpr (std::is_same_v<File, QSaveFile>)
                File::cancelWriting();
            File::setErrorString(QStringLiteral("设备上没有空间"));
            return -1;
        }
        m_room -= length;
        return File::writeData(data, length);
    }

private:
    qint64 m_room;
};

ReportDocument letters(int count)
{
    ReportEngine engine;
    engine.LoadTemplateFile(shipped(QStringLiteral("应收帐款确认函")));
    engine.setFetchRecordHandler([&] {
        for (int i = 0; i < count; ++i) {
            engine.DetailRecords().AddRecord();
            engine.LookupField(QStringLiteral("函编号")).SetText(QStringLiteral("L%1").arg(i));
            engine.DetailRecords().CommitRecord();
        }
    });
    return engine.generate(QDate(2026, 12, 8));
}

QString messageOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Exception &e) { // spreadsheet errors included
        return e.message();
    }
    return QString();
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT
private slots:
    void aSaveKilledHalfwayLeavesAWholeFile()
    {
        QTemporaryDir dir;
        // Two templates that differ, one of them large enough to take a while to write.
        ReportEngine small, large;
        QVERIFY(small.LoadTemplateFile(shipped(QStringLiteral("应收帐款确认函"))));
        ReportTemplate big = small.reportTemplate();
        for (int i = 0; i < 2000; ++i) {
            ReportElement e = big.elements.first();
            e.text = QStringLiteral("第%1段").arg(i);
            big.elements.append(e);
        }
        const QString smallPath = dir.filePath(QStringLiteral("small.grf"));
        const QString largePath = dir.filePath(QStringLiteral("large.grf"));
        TemplateWriter::save(small.reportTemplate(), smallPath);
        TemplateWriter::save(big, largePath);
        const QString target = dir.filePath(QStringLiteral("target.grf"));
        TemplateWriter::save(small.reportTemplate(), target);

        QRandomGenerator random(20261208);
        for (int round = 0; round < 25; ++round) {
            QProcess child;
            child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/save_loop"),
                        {smallPath, largePath, target});
            QVERIFY(child.waitForStarted(10000));
            QTest::qSleep(50 + int(random.bounded(200)));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(10000));
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadOnly));
            ReportTemplate read;
            try {
                read = TemplateReader::fromJson(file.readAll());
            } catch (const ReportError &e) {
                QFAIL(qPrintable(QStringLiteral("round %1: %2").arg(round).arg(e.message())));
            }
            QVERIFY(read == small.reportTemplate() || read == big);
        }
    }

    void aFullDiskUnderAnExportLeavesNoHalfFile()
    {
        QTemporaryDir dir;
        const ReportDocument document = letters(3);
        PdfExport::setFileFactory(
            [](const QString &path, PdfExport::FileKind kind) -> std::unique_ptr<QFileDevice> {
                if (kind == PdfExport::FileKind::InPlace)
                    return std::make_unique<FullDisk<QSaveFile>>(path, 20000);
                return std::make_unique<FullDisk<QFile>>(path, 20000);
            });
        const auto restore = qScopeGuard([] { PdfExport::setFileFactory({}); });
        const QString one = dir.filePath(QStringLiteral("全部.pdf"));
        const QString message = messageOf([&] { PdfExport::writeAll(document, one); });
        QVERIFY2(message.contains(QStringLiteral("无法写入文件“全部.pdf”")), qPrintable(message));
        QVERIFY(!QFile::exists(one));
        const QString folder = dir.filePath(QStringLiteral("each"));
        QVERIFY(QDir().mkpath(folder));
        const QString each = messageOf([&] {
            PdfExport::writeEach(document, folder,
                                 {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        });
        QVERIFY2(each.contains(QStringLiteral("无法写入文件")), qPrintable(each));
        QVERIFY(QDir(folder)
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
    }

    void aWorkbookCutShortOrGoneWhileRead()
    {
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("账.xlsx"));
        QVERIFY(QFile::copy(workbookPath(QStringLiteral("receivables.xlsx")), copy));
        // Opened, then cut in half before its sheet is read.
        auto workbook = WorkbookFile::open(copy);
        {
            QFile file(copy);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.resize(200)); // only the first entry's header is left
        }
        // Either what was there when it was opened, or a clear message; never a crash.
        QString first;
        const QString cut = messageOf([&] { first = workbook->activeSheet()->cell(1, 1).text; });
        QVERIFY2(cut.startsWith(QStringLiteral("工作簿“账.xlsx”已损坏")) ||
                     (cut.isEmpty() && first == QStringLiteral("客户名称")),
                 qPrintable(cut + first));
        // Gone between the choice and the import: a clear message.
        QVERIFY(QFile::remove(copy));
        QCOMPARE(messageOf([&] { WorkbookFile::open(copy); }),
                 QStringLiteral("找不到文件“账.xlsx”"));
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    FontSetup::install();
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_faults.moc"
