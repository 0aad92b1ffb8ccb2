#pragma once
// A ledger whose letters were printed with addresses from the 邮箱 column, each keeping its
// page PDF, for the tests that e-mail them.

#include "control/LetterRecording.h"
#include "ledger/LedgerStore.h"
#include "support/LetterDocuments.h"

#include <QTemporaryDir>

#include <memory>

// Fresh paths in one temporary folder, each test's files apart from the others'.
class TestPaths
{
public:
    QString next(const QString &stem)
    {
        return m_dir.filePath(QStringLiteral("%1-%2").arg(stem).arg(++m_files));
    }

private:
    QTemporaryDir m_dir;
    int m_files = 0;
};

inline QString addressOf(int n)
{
    return QStringLiteral("c%1@customer.example.cn").arg(n);
}

inline QString numberOf(int n)
{
    return QStringLiteral("HZ-%1").arg(n, 4, 10, QLatin1Char('0'));
}

// A ledger whose letters 1..count were printed, each with an address but 'without'.
inline std::unique_ptr<LedgerStore> mailedLedger(const QString &path, int count, int without = 0)
{
    auto ledger = LedgerStore::create(path, QStringLiteral("华东机械股份有限公司2026年度"));
    QList<LetterContacts> addresses;
    QList<int> pages;
    for (int n = 1; n <= count; ++n) {
        addresses.append({{LetterField::Email, n == without ? QString() : addressOf(n)}});
        pages.append(n - 1);
    }
    LetterRecording::record(*ledger, numberedLetters(1, count), QStringLiteral("应收帐款确认函"),
                            LetterRecording::Pdf, QStringLiteral("/tmp/询证函.pdf"), pages, {}, {},
                            addresses);
    return ledger;
}
