// The error box's text rule and the cleaning of component messages.

#include "platform/ErrorText.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "support/FakePrompts.h"

#include <stdexcept>
#include <system_error>

#include <QTest>

class TestErrorText : public QObject
{
    Q_OBJECT
private slots:
    void fullStopRule_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Excel OLE server not found"
                                << "Excel OLE server not found.";
        QTest::newRow("ends with full stop") << "Done."
                                             << "Done.";
        QTest::newRow("quote sorts before dot") << "'abc' is not a valid date"
                                                << "'abc' is not a valid date.";
        QTest::newRow("closing quote") << "'x'"
                                       << "'x'";
        QTest::newRow("digit") << "OLE error 80004005"
                               << "OLE error 80004005.";
        QTest::newRow("comma sorts before dot") << "a,"
                                                << "a,";
        QTest::newRow("slash sorts after dot") << "a/"
                                               << "a/.";
        QTest::newRow("chinese") << QStringLiteral("文件不存在") << QStringLiteral("文件不存在.");
        QTest::newRow("empty") << ""
                               << "";
    }
    void fullStopRule()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(errorBoxText(message), shown);
    }

    void cleaning_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("clean");
        QTest::newRow("dots and blanks") << "Cannot open file. \r\n"
                                         << "Cannot open file";
        QTest::newRow("ideographic full stop")
            << QStringLiteral("无法打开。") << QStringLiteral("无法打开");
        QTest::newRow("inner dots kept") << "a.b c"
                                         << "a.b c";
        QTest::newRow("only dots") << "..."
                                   << "";
    }
    void cleaning()
    {
        QFETCH(QString, description);
        QFETCH(QString, clean);
        QCOMPARE(cleanComponentMessage(description), clean);
    }

    // An error that is not ours reaches the error box in the user's words, its own detail
    // after them; our own errors and aborts are as before.
    void foreignErrorsAreSaidInChinese()
    {
        FakePrompts prompts;
        Guard::run([] {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                    "thread");
        });
        Guard::run([] { throw std::runtime_error("object 5 0 not found."); });
        Guard::run([] { throw Exception(QStringLiteral("文件不存在")); });
        Guard::run([] { throw EAbort(); });
        const QStringList errors = prompts.errors();
        QCOMPARE(errors.size(), 3);
        QVERIFY2(errors[0].startsWith(
                     QStringLiteral("系统未能提供所需的资源（线程或文件），操作未能完成：thread")),
                 qPrintable(errors[0]));
        QCOMPARE(errors[1], QStringLiteral("程序内部出错，操作未能完成：object 5 0 not found."));
        QCOMPARE(errors[2], QStringLiteral("文件不存在."));
    }

    // The system's and Qt's English reasons for a failed file, said in Chinese first.
    void fileErrorsAreSaidInChinese_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("shown");
        QTest::newRow("strerror") << "Permission denied"
                                  << "没有权限（Permission denied）";
        QTest::newRow("QSaveFile") << "Filename refers to a directory."
                                   << "这个名称是一个文件夹（Filename refers to a directory）";
        QTest::newRow("QSaveFile with a name")
            << "Existing file /a/b.grf is not writable"
            << "已有的文件不能写入（Existing file /a/b.grf is not writable）";
        QTest::newRow("full disk") << "No space left on device"
                                   << "磁盘已满（No space left on device）";
        QTest::newRow("already Chinese") << "权限不够"
                                         << "权限不够";
        QTest::newRow("unknown") << "Something else"
                                 << "Something else";
    }
    void fileErrorsAreSaidInChinese()
    {
        QFETCH(QString, system);
        QFETCH(QString, shown);
        QCOMPARE(fileErrorText(system), shown);
    }
};

QTEST_GUILESS_MAIN(TestErrorText)
#include "test_error_text.moc"
