#pragma once
// Each reply page that names a letter, checked against that letter as the ledger kept it:
// the page PDF it hashed, and the reply areas of the run that sent it.

#include "ReplyList.h"
#include "ReplyPageCheck.h"
#include "engine/CodeReader.h"

#include <QHash>
#include <QImage>
#include <QRectF>

class LedgerStore;

class ReplyChecking
{
public:
    explicit ReplyChecking(const LedgerStore &ledger);

    struct Checked
    {
        bool named = false;  // the line names a letter the ledger holds
        QString notCompared; // why the page was not compared, when not
        std::optional<ReplyPageCheck::Result> result;
    };
    // The check of 'line', read from 'page' with 'codes'.
    Checked check(const ReplyLine &line, const QImage &page, const QList<CodeReader::Code> &codes);
    // What it found, in the ledger's words; nothing for a line that names no letter.
    ReplyFindings findings(const ReplyLine &line, const QImage &page,
                           const QList<CodeReader::Code> &codes);

    // The regions that differ as the ledger keeps them, and back.
    static QString regionsText(const QList<QRectF> &regions);
    static QList<QRectF> regionsFrom(const QString &text);

private:
    const LedgerStore &m_ledger;
    QHash<qint64, QString> m_areasOfRun;
};
