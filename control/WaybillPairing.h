#pragma once
// Waybills paired with letters before they are kept: from a sheet of labels in the order of
// the letters chosen, or from a courier's export by number. Every row is shown to the
// auditor first, those that pair and those that do not; only the pairs are saved, all in
// one transaction or none.

#include "WaybillImport.h"
#include "WaybillScan.h"

#include <QList>
#include <QString>

class LedgerStore;
struct LedgerLetter;

class WaybillPairing
{
public:
    struct Row
    {
        QString number;     // empty for a waybill with no letter
        QString customer;   // as the ledger has it
        QString waybill;    // empty for a letter with no waybill
        QString note;       // why the row does not pair, or what saving it changes
        bool pairs = false; // a letter and its waybill, which saving keeps
    };

    // The letters chosen, in the order shown, with the labels read off the scans.
    static WaybillPairing fromScan(const QList<LedgerLetter> &letters,
                                   const WaybillScan::Labels &labels);
    // A courier's export, matched against the live letters of the ledger by number.
    static WaybillPairing fromImport(const LedgerStore &ledger,
                                     const QList<WaybillImport::Line> &lines);

    const QList<Row> &rows() const { return m_rows; }
    int pairCount() const;
    // One line for the dialog: how many pair, and what does not.
    QString summary() const;
    // Keeps every pair in one transaction, logged under 'action'; returns the numbers no
    // longer in the ledger (voided since), whose waybills were not kept. Raises Exception,
    // keeping nothing, when the ledger refuses one (a waybill bound to another letter names
    // the waybill and both letters) or there is no pair.
    QStringList save(LedgerStore &ledger, const QString &action) const;

private:
    QList<Row> m_rows;
    QString m_mismatch; // the scan's counts that differ, said plainly
};
