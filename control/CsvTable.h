#pragma once
// A CSV file as spreadsheet programs save it: comma separated, fields quoted with '"' where
// they hold commas, quotes or line breaks. UTF-8 with or without its byte order mark, or
// GB18030 as Chinese Excel saves "CSV (逗号分隔)".

#include <QList>
#include <QStringList>

namespace CsvTable {
// The records of the file, each a list of its fields. Raises Exception naming the file
// when it cannot be read.
QList<QStringList> read(const QString &path);
// The same of bytes already read.
QString decoded(const QByteArray &bytes);
QList<QStringList> parsed(const QString &text);
// The records as a CSV text: a field quoted only when it holds a comma, quote or line break.
QString text(const QList<QStringList> &records);
// Writes the records to 'path' in UTF-8 with a byte order mark (so Excel takes it for
// UTF-8), whole or not at all; raises Exception naming the file when it cannot.
void write(const QString &path, const QList<QStringList> &records);
} // namespace CsvTable
