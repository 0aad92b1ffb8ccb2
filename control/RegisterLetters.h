#pragma once
// The letters a register lists, whatever holds them: a letter run's document or the
// ledger. The register's one column table reads them through this, so both registers are
// written by the same code.

#include "Evaluation.h"
#include "engine/ReportDocument.h"
#include "ledger/LedgerTypes.h"

#include <QVariant>
#include <functional>

struct RegisterLetters
{
    // Each gives the letter of that index's value: a QString, a QDate, a double, or none.
    using Value = std::function<QVariant(int letter)>;
    enum class Kind
    {
        Text,
        Date,
        Amount,
        Share // a ratio, shown as a percentage
    };
    struct Further
    {
        QString name;
        Kind kind;
        Value value;
    };

    int count = 0;
    Value number, customer, cutOff, amount, sendDate, templateName;
    QList<Further> further; // the letters' further fields, in their order
    // The fields kept per letter after it was sent; none for a run's letters.
    std::function<QVariant(LetterField, int letter)> kept;
    // How the evaluation judged the confirmation a letter stands for; none for a run's
    // letters, and null for a second request (its confirmation is the first letter's row).
    std::function<const Evaluation::Judged *(int letter)> judged;

    // A run's letters: the template's further fields, the print date as 发函日期. The
    // document must outlive the result.
    static RegisterLetters ofRun(const ReportDocument &letters, const QString &templateName);
    // The ledger's letters: the union of their further fields in first-seen order, every
    // kept field; with 'evaluation', how it judged each. The list and the evaluation must
    // outlive the result.
    static RegisterLetters ofLedger(const QList<LedgerLetter> &letters,
                                    const Evaluation::Result *evaluation = nullptr);
};
