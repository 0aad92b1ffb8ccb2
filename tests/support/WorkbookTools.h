#pragma once
// What the ledger's and the selection's tests share: workbooks written and read back by
// openpyxl, and the batch tool run as a user runs it.

#include "support/Python.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

inline QJsonValue json(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object().value(QStringLiteral("v"));
}

// The sheets of the workbook as openpyxl reads them: each row a list of its values,
// dates as yyyy-mm-dd, formulas as their text ('computed': their cached results).
inline QJsonObject openpyxlSheets(const QString &path, bool computed = false)
{
    const PythonRun python =
        runPython(QStringLiteral(R"(
import sys, json, datetime, openpyxl
wb = openpyxl.load_workbook(sys.argv[1], data_only=sys.argv[2] == '1')
def v(x):
    if isinstance(x, datetime.datetime): return x.date().isoformat()
    return x
print(json.dumps({'v': {ws.title: [[v(c) for c in row] for row in ws.iter_rows(values_only=True)]
                        for ws in wb.worksheets}}, ensure_ascii=False))
)"),
                  {path, computed ? QStringLiteral("1") : QStringLiteral("0")});
    if (!python.ok)
        qFatal("openpyxl could not read %s", qPrintable(path));
    return json(python.out).toObject();
}

// A workbook written by openpyxl: 'rows' a list of lists (JSON), dates as "date:yyyy-mm-dd".
inline void writeWorkbook(const QString &path, const QString &sheet, const QJsonArray &rows)
{
    const PythonRun python = runPython(
        QStringLiteral(R"(
import sys, json, datetime, openpyxl
wb = openpyxl.Workbook()
wb.active.title = 'Notes'
ws = wb.create_sheet(sys.argv[2])
wb.active = 1
for row in json.loads(sys.argv[3]):
    ws.append([datetime.date.fromisoformat(c[5:]) if isinstance(c, str) and c.startswith('date:')
               else c for c in row])
wb.save(sys.argv[1])
)"),
        {path, sheet, QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact))});
    if (!python.ok)
        qFatal("openpyxl could not write %s", qPrintable(path));
}

inline QString batchProgram()
{
    return qEnvironmentVariable("PROGRAM_DIR") + QStringLiteral("/roviradavev-batch");
}

struct BatchRun
{
    int status = -1;
    QString out, error;
};

inline BatchRun batch(const QStringList &arguments)
{
    QProcess process;
    process.start(batchProgram(), arguments);
    if (!process.waitForFinished(120000))
        qFatal("the batch tool did not finish");
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
