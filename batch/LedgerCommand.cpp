#include "LedgerCommand.h"

#include "LedgerCopyCommand.h"
#include "control/AmountInput.h"
#include "control/Cents.h"
#include "ledger/LedgerLocation.h"
#include "ledger/LedgerServer.h"
#include "ledger/LedgerStore.h"
#include "platform/RegionalSettings.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString amountText(const std::optional<qint64> &cents)
{
    return cents ? Cents::plain(*cents) : QString();
}

int newLedger(BatchArguments &arguments)
{
    const QString engagement = arguments.takeOption(QStringLiteral("--engagement"));
    const QString path = arguments.positional(1).constFirst();
    if (LedgerLocation::isServer(path)) {
        // The address names the engagement; --engagement, when given, names it instead.
        const auto ledger = LedgerStore::create(
            path, engagement.isEmpty() ? LedgerLocation::parse(path).engagement : engagement);
        BatchOutput::write(QStringLiteral("已建立%1\n").arg(ledger->shownName()));
        return 0;
    }
    const auto ledger = LedgerStore::create(
        path, engagement.isEmpty() ? QFileInfo(path).completeBaseName() : engagement);
    BatchOutput::write(QStringLiteral("已建立函证台账“%1”（项目：%2）\n")
                           .arg(ledger->shownName(), ledger->engagement()));
    return 0;
}

int info(BatchArguments &arguments)
{
    const auto ledger = LedgerStore::open(arguments.positional(1).constFirst());
    const QList<LedgerLetter> letters = ledger->letters();
    const qsizetype voided = std::count_if(letters.begin(), letters.end(),
                                           [](const auto &l) { return l.voided.isValid(); });
    BatchOutput::writeCells(
        {ledger->onServer() ? QStringLiteral("函证中心") : QStringLiteral("文件"),
         ledger->shownName()});
    BatchOutput::writeCells({QStringLiteral("项目"), ledger->engagement()});
    BatchOutput::writeCells({QStringLiteral("结构版本"), QString::number(ledger->schemaVersion())});
    BatchOutput::writeCells({QStringLiteral("询证函"), QString::number(letters.size() - voided)});
    BatchOutput::writeCells({QStringLiteral("已作废"), QString::number(voided)});
    BatchOutput::writeCells({QStringLiteral("发函批次"), QString::number(ledger->runs().size())});
    BatchOutput::writeCells({QStringLiteral("回函页"), QString::number(ledger->replies().size())});
    BatchOutput::writeCells({QStringLiteral("选样"), QString::number(ledger->selections().size())});
    BatchOutput::writeCells({QStringLiteral("操作记录"), QString::number(ledger->logSize())});
    BatchOutput::writeCells({QStringLiteral("只读"),
                             ledger->readOnly() ? ledger->readOnlyReason() : QStringLiteral("否")});
    return 0;
}

int listLetters(BatchArguments &arguments)
{
    const QString state = arguments.takeOption(QStringLiteral("--state"));
    const QStringList states =
        QStringList{QStringLiteral("已发函"), QStringLiteral("已回函"), QStringLiteral("已作废")} +
        LedgerStore::results();
    if (!state.isEmpty() && !states.contains(state))
        throw UsageError(
            QStringLiteral("--state 只能是 %1 之一").arg(states.join(QStringLiteral("、"))));
    const auto ledger = LedgerStore::open(arguments.positional(1).constFirst());
    QStringList titles{QStringLiteral("函证编号"),     QStringLiteral("被询证单位"),
                       QStringLiteral("函证基准日"),   QStringLiteral("账面金额"),
                       QStringLiteral("模板"),         QStringLiteral("状态"),
                       QStringLiteral("首次发函批次"), QStringLiteral("重印次数"),
                       QStringLiteral("页面SHA-256")};
    for (LetterField field : LedgerStore::fields())
        titles.append(LedgerStore::fieldName(field));
    titles.append(QStringLiteral("其他字段"));
    BatchOutput::writeCells(titles);
    for (const LedgerLetter &letter : ledger->letters()) {
        if (!state.isEmpty() && letter.state() != state)
            continue;
        const LetterIdentity &identity = letter.identity;
        QStringList cells{identity.number,
                          identity.customer,
                          identity.cutOff.toString(Qt::ISODate),
                          amountText(identity.cents),
                          identity.templateName,
                          letter.state(),
                          QString::number(letter.firstRun),
                          QString::number(letter.reprints),
                          QString::fromLatin1(letter.pageSha256)};
        for (LetterField field : LedgerStore::fields())
            cells.append(letter.value(field));
        QStringList further;
        for (const auto &[name, text] : identity.fields)
            further.append(name + QLatin1Char('=') + text);
        cells.append(further.join(QStringLiteral("; ")));
        BatchOutput::writeCells(cells);
    }
    return 0;
}

int verify(BatchArguments &arguments)
{
    const auto ledger = LedgerStore::open(arguments.positional(1).constFirst());
    const LedgerStore::Verification checked = ledger->verify();
    if (checked.ok) {
        BatchOutput::write(
            QStringLiteral("函证台账完好：%1 条操作记录环环相扣，台账内容与记录相符\n")
                .arg(checked.entries));
        return 0;
    }
    BatchOutput::write(QStringLiteral("函证台账已损坏：%1\n").arg(checked.problem));
    return kLedgerBrokenStatus;
}

int log(BatchArguments &arguments)
{
    const QString letter = arguments.takeOption(QStringLiteral("--letter"));
    const auto ledger = LedgerStore::open(arguments.positional(1).constFirst());
    BatchOutput::writeCells({QStringLiteral("序号"), QStringLiteral("时间（UTC）"),
                             QStringLiteral("用户"), QStringLiteral("操作"), QStringLiteral("对象"),
                             QStringLiteral("字段"), QStringLiteral("原值"),
                             QStringLiteral("新值")});
    for (const LogEntry &entry : ledger->log(letter.trimmed()))
        BatchOutput::writeCells({QString::number(entry.id), entry.at.toString(Qt::ISODateWithMs),
                                 entry.user, entry.action, entry.subject, entry.field,
                                 entry.oldValue, entry.newValue});
    return 0;
}

int parties(BatchArguments &arguments)
{
    const bool setsClient = arguments.hasOption(QStringLiteral("--client"));
    const QString client = arguments.takeOption(QStringLiteral("--client"));
    const QStringList added = arguments.takeRepeatedOption(QStringLiteral("--add"));
    const QStringList removed = arguments.takeRepeatedOption(QStringLiteral("--remove"));
    const auto ledger = LedgerStore::open(arguments.positional(1).constFirst());
    LedgerParties list = ledger->parties();
    if (setsClient || !added.isEmpty() || !removed.isEmpty()) {
        for (const QString &name : removed) {
            const QString simple = name.simplified();
            if (!list.related.contains(simple))
                throw Exception(QStringLiteral("关联方名单中没有“%1”，台账未作改动").arg(simple));
            list.related.removeAll(simple);
        }
        if (setsClient)
            list.client = client;
        list.related += added;
        ledger->setParties(list);
        list = ledger->parties();
    }
    BatchOutput::writeCells({QStringLiteral("被审计单位"), list.client});
    for (const QString &name : list.related)
        BatchOutput::writeCells({QStringLiteral("关联方"), name});
    return 0;
}

// Shows the tolerance, or sets it and shows it as kept.
int tolerance(BatchArguments &arguments)
{
    const QStringList given = arguments.positionalList();
    if (given.size() > 2)
        throw UsageError(QStringLiteral("ledger tolerance 只接受台账和一个金额"));
    std::optional<qint64> cents;
    if (given.size() == 2) {
        cents = AmountInput::cents(QStringLiteral("调节容差"), given.constLast(),
                                   RegionalSettings::user());
        if (!cents)
            throw Exception(QStringLiteral("调节容差不能为空"));
    }
    const auto ledger = LedgerStore::open(given.constFirst());
    if (cents)
        ledger->setToleranceCents(*cents);
    BatchOutput::writeCells({QStringLiteral("调节容差"), Cents::plain(ledger->toleranceCents())});
    return 0;
}

// Sets up the confirmation centre's database, as its administrator; says what it did.
int initServer(BatchArguments &arguments)
{
    const QString address = arguments.positional(1).constFirst();
    if (!LedgerLocation::isServer(address))
        throw UsageError(QStringLiteral("ledger init-server 需要函证中心的地址"
                                        "（postgresql://管理员@主机/数据库），不是台账文件"));
    for (const QString &line : LedgerServer::initialize(LedgerLocation::parse(address)))
        BatchOutput::write(line + QLatin1Char('\n'));
    return 0;
}

} // namespace

int runLedgerCommand(const QString &subcommand, BatchArguments arguments)
{
    if (subcommand == QLatin1String("new"))
        return newLedger(arguments);
    if (subcommand == QLatin1String("info"))
        return info(arguments);
    if (subcommand == QLatin1String("letters"))
        return listLetters(arguments);
    if (subcommand == QLatin1String("verify"))
        return verify(arguments);
    if (subcommand == QLatin1String("log"))
        return log(arguments);
    if (subcommand == QLatin1String("parties"))
        return parties(arguments);
    if (subcommand == QLatin1String("tolerance"))
        return tolerance(arguments);
    if (subcommand == QLatin1String("init-server"))
        return initServer(arguments);
    if (subcommand == QLatin1String("copy"))
        return runLedgerCopyCommand(arguments);
    if (subcommand.isEmpty())
        throw UsageError(QStringLiteral("缺少 ledger 的子命令（new、info、letters、verify、log、"
                                        "parties、tolerance、init-server、copy）"));
    throw UsageError(QStringLiteral("未知的 ledger 子命令 %1").arg(subcommand));
}
