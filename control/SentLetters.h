#pragma once
// The letters a reply can answer, by their number: from the register of the run (the
// workbook 导出函证控制表 wrote, which is only read) or from the rows of the table.

#include "platform/RegionalSettings.h"

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

class StringGridModel;

struct SentLetter
{
    QString number;
    QString customer;
    std::optional<double> amount; // none when the table's text is not an amount
    QString amountText;           // the text as the list shows it
};

class SentLetters
{
public:
    // The register's letters; raises Exception naming the file when it cannot be read or
    // holds no 函证编号 column.
    static SentLetters fromRegister(const QString &path, const RegionalSettings &settings);
    // The table's data rows, as the print run makes its letters of them.
    static SentLetters fromTable(const StringGridModel &table, const RegionalSettings &settings);

    const QList<SentLetter> &letters() const { return m_letters; }
    // The letter with that number (spaces around it aside), or -1.
    int find(const QString &number) const;

private:
    void add(SentLetter letter);
    QList<SentLetter> m_letters;
    QHash<QString, int> m_byNumber;
};
