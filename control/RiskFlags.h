#pragma once
// Red flags (风险提示) over the custody of replies: the marks forged or intercepted replies
// leave — a sender other than the customer, one sender for several customers, replies
// arriving together or on consecutive waybills, replies before the letter could have
// arrived, a respondent who is the client itself. Each flag names its rule, says why in
// Chinese and lists the letters concerned; the auditor judges them.

#include "ledger/LedgerTypes.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QStringList>

class LedgerStore;

struct RiskFlag
{
    QString rule;        // the rule's short name
    QString explanation; // what was found, for the auditor
    QStringList numbers; // the letters concerned
};

class RiskFlags
{
public:
    // What the rules look at: the live letters and what the ledger knows of their dispatch.
    struct Custody
    {
        QList<LedgerLetter> letters;
        QHash<QString, QDate> firstMailed; // by number: the local day its first e-mail left
        QSet<qint64> verified;             // the letters (ids) whose address was checked
        LedgerParties parties;
    };

    static constexpr int DefaultMinutes = 10;
    // The setting 'ledger/flagMinutes': replies by fax or e-mail this close are a cluster.
    static QString minutesKey();
    static int minutes();

    static Custody custodyOf(const LedgerStore &ledger);
    // The flags in the order of the rules, each rule's by the first letter concerned.
    static QList<RiskFlag> find(const Custody &custody, int minutes);
    static QList<RiskFlag> find(const LedgerStore &ledger);
    // The rules' names, in order.
    static QStringList rules();
    // The titles of a list of flags (规则, 说明, 函证编号), and a flag's numbers as one text.
    static QStringList titles();
    static QString numbersText(const RiskFlag &flag);
};
