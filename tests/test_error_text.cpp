// The error box's text rule and the cleaning of component messages.

#include "platform/ErrorText.h"

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
};

QTEST_GUILESS_MAIN(TestErrorText)
#include "test_error_text.moc"
