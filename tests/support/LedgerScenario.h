#pragma once
// One engagement's life in the ledger, every kind of write once at least: letters sent with
// their pages, a reprint and a void, dispatch, e-mails, address checks, replies, values,
// parties, reconciling items, an alternative procedure and the tolerance. Run on a file or
// on a server, the ledger must hold the same.

#include "ledger/LedgerStore.h"
#include "support/LedgerFixtures.h"

inline void fillLedgerWithEverything(LedgerStore &ledger)
{
    QList<SentPage> pages = ledgerPages(1, 6);
    for (SentPage &page : pages) {
        page.pdf = QByteArray("%PDF-1.4 letter ") + page.identity.number.toUtf8() +
                   QByteArray("\0\x01\xff binary", 10);
        page.pageSha256 = QCryptographicHash::hash(page.pdf, QCryptographicHash::Sha256).toHex();
        page.contacts = {{LetterField::Address, QStringLiteral("西湖路 1 号")}};
    }
    ledger.recordRun(ledgerRun(), pages);
    ledger.recordRun(ledgerRun(QStringLiteral("打印机")), pages.mid(1, 2));
    ledger.voidLetter(QStringLiteral("HZ2026-0006"), QStringLiteral("地址有误"));
    ledger.setValues(QStringLiteral("HZ2026-0001"),
                     {{LetterField::SendMethod, QStringLiteral("快递")},
                      {LetterField::Waybill, QStringLiteral("SF1234567890")},
                      {LetterField::SendDate, QStringLiteral("2027-01-05")}});
    ledger.setValues(QStringLiteral("HZ2026-0002"),
                     {{LetterField::ReplyAmount, QStringLiteral("98,000.00")},
                      {LetterField::Note, QStringLiteral("O'Brien; DROP TABLE letters; -- \\n")}});
    MessageRecord message;
    message.number = QStringLiteral("HZ2026-0003");
    message.kind = QStringLiteral("询证函");
    message.recipient = QStringLiteral("a@example.com");
    message.subject = QStringLiteral("询证函 HZ2026-0003");
    message.messageId = QStringLiteral("<1@example.com>");
    message.state = QStringLiteral("已发送");
    message.serverReply = QStringLiteral("250 OK");
    ledger.recordMessages({message});
    ledger.checkAddress({QStringLiteral("HZ2026-0004"), QStringLiteral("张三"),
                         QStringLiteral("电话核实"), QDate(2027, 1, 3), QStringLiteral("已核")});
    ReplyPageRecord reply;
    reply.fileSha256 = QByteArray(64, 'a');
    reply.page = 1;
    reply.file = QStringLiteral("/扫描/回函 1.pdf");
    reply.number = QStringLiteral("HZ2026-0002");
    reply.state = QStringLiteral("已匹配");
    reply.received = QDate(2027, 1, 20);
    reply.channel = QStringLiteral("快递");
    reply.codeCheck = QStringLiteral("有效");
    ledger.recordReplies({reply});
    ledger.setParties({QStringLiteral("杭州被审计有限公司"), {QStringLiteral("关联方 \"甲\"")}});
    ledger.setToleranceCents(100);
    ledger.setReconciliation(QStringLiteral("HZ2026-0002"),
                             {{QStringLiteral("在途款项"), -200000, QDate(2026, 12, 30),
                               QStringLiteral("BR-1"), QStringLiteral("期后到账")}},
                             std::nullopt);
    AlternativeProcedure procedure;
    procedure.evidence = {
        {QStringLiteral("期后收款"), 100000, QDate(2027, 1, 15), QStringLiteral("银行回单 7")}};
    procedure.coveredCents = 100000;
    procedure.conclusion = QStringLiteral("替代程序确认");
    procedure.note = QStringLiteral("未回函");
    ledger.setAlternativeProcedure(QStringLiteral("HZ2026-0004"), procedure);
    ledger.setValues(QStringLiteral("HZ2026-0005"),
                     {{LetterField::Result, QStringLiteral("不符")},
                      {LetterField::DifferenceReason, QStringLiteral("对方未入账")}});
}
