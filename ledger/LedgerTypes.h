#pragma once
// The records the confirmation ledger keeps: the letters sent, the runs that sent them, the
// pages that came back and the log of every change. Plain values, no database in them.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

// What a letter says: the same number printed again with all of this the same is a
// reprint, with any of it different another letter.
struct LetterIdentity
{
    QString number; // 函证编号
    QString customer;
    QDate cutOff;                // 函证基准日
    std::optional<qint64> cents; // the book amount in cents; none when the row has none
    QString templateName;
    QList<QPair<QString, QString>> fields; // the template's further fields, as shown

    bool sameContent(const LetterIdentity &other) const;
};

// The fields the auditor keeps per letter, after it is sent.
enum class LetterField
{
    SendMethod,       // 发函方式
    Waybill,          // 快递单号
    SendDate,         // 发函日期
    ReplyDate,        // 回函日期
    ReplyChannel,     // 回函方式
    ReplyAmount,      // 回函金额
    Result,           // 函证结果
    DifferenceReason, // 差异原因
    Alternative,      // 替代程序
    Note,             // 备注
    Email,            // 邮箱: where the letter is e-mailed, as printed or corrected
    // 询证地址 and 询证电话: the table's 地址 and 电话 as printed, or corrected. Named apart
    // from a template's own 地址, which the register shows as a column of its own.
    Address,
    Phone,
    Respondent,   // 回函单位: who replied, as the reply names itself
    ReplyAddress, // 回函寄件地址: where the reply was sent from
    ReplyPhone,   // 回函寄件电话: the sender's phone on the reply's waybill or fax
    ReplyWaybill, // 回函快递单号
    ReplyTime     // 回函时间: HH:mm on 回函日期
};

// What a letter's row gave at print time for fields the letter keeps (邮箱, 地址, 电话).
using LetterContacts = QList<QPair<LetterField, QString>>;

struct LedgerLetter
{
    qint64 id = 0;
    LetterIdentity identity;
    qint64 firstRun = 0;
    QByteArray pageSha256; // of the page as first sent, hex
    int reprints = 0;
    QDateTime voided; // invalid unless 作废
    QString voidReason;
    bool answered = false;  // a scanned page matched it, or one of its second request
    QString follows;        // a second request: the number of the letter it follows up
    bool keyedCode = false; // its code carries the keyed checksum, so a bare number is forged
    QList<QString> values;  // by LetterField, as stored ("" when none)
    qint64 version = 1;     // counted up by every change of the letter, its items included
    QString value(LetterField field) const { return values.value(int(field)); }
    // 已作废, the result when one is entered, 已回函 or 已发函.
    QString state() const;
};

// Which letters a list shows; an empty part (0 for the run) lets all through.
struct LetterFilter
{
    QString state;        // as LedgerLetter::state() names it
    QString templateName; // exactly
    qint64 run = 0;       // the letters that run sent, reprints among them
    QString text;         // within the number or the customer's name, any case
};

// How a run sent its letters, and where to.
struct LedgerRun
{
    qint64 id = 0;
    QDateTime at;   // UTC
    QString kind;   // 打印, PDF, 分页PDF
    QString output; // the printer's name or the file's or folder's path
    QString templateName;
    QString user;
    int letters = 0;
    int reprints = 0;
    // Where its letters leave the respondent room to write, as the reply check reads it;
    // empty for runs before reply areas were kept.
    QString replyAreas;
};

// One letter as a run sent it.
struct SentPage
{
    LetterIdentity identity;
    QByteArray pageSha256; // hex, of the letter's own page as a PDF
    // A second request: the number of the live letter it follows up, so that a reply to
    // either answers the same confirmation. Empty for a first letter.
    QString follows;
    // The row's 邮箱, 地址 and 电话 where it has them, each kept where the letter has none
    // yet; with a 邮箱 the page PDF itself, kept to be e-mailed: its SHA-256 must be
    // pageSha256.
    LetterContacts contacts;
    QByteArray pdf;
    // The letter's code carries the checksum keyed with the ledger's secret.
    bool keyedCode = false;
    QString contact(LetterField field) const;
};

// One page of a scanned reply.
struct ReplyPageRecord
{
    QByteArray fileSha256; // hex, of the whole file
    int page = 0;          // from 1; 0 for a file that could not be read
    QString file;          // the path it was read from
    QString number;        // the code read, empty when none
    QString state;         // as the reply list names it (已匹配, 未识别, …)
    QDate received;
    QString channel; // 回函方式
    QString note;
    // What the check of the page found; empty where it was not checked.
    QString codeCheck;  // 有效, 无校验
    QString alteration; // 未见改动, 疑似改动, or why it was not compared
    QString regions;    // the regions that differ, as text the window reads back
    QString marks;      // the answer areas' marks, in words
    QString suggestion; // 相符, 不符, 无法判断: the program's, never the auditor's decision
};

// A message that carried a letter, or a reminder, by e-mail: sent, or failed and never
// taken for sent.
struct MessageRecord
{
    qint64 id = 0;
    QString number;    // the letter's 函证编号
    QString kind;      // 询证函 or 催收
    QString recipient; // the address it went to
    QString subject;
    QString messageId;   // the Message-ID header, with its angle brackets
    QDateTime at;        // UTC; set by the ledger
    QString state;       // 已发送 or 发送失败
    QString serverReply; // the mail server's last reply, or why it failed
};

// An address the auditor checked before sending: who, how and when.
struct AddressCheck
{
    QString number;
    QString by;
    QString how; // 电话核实, 工商信息, 官网, 其他 …
    QDate on;
    QString note;
    qint64 letter = 0; // the letter's id, as read back: a voided letter's check is its own
};

// Whom a reply must not come from: the audited client and its related parties (关联方).
struct LedgerParties
{
    QString client;      // 被审计单位
    QStringList related; // in the order added
    bool operator==(const LedgerParties &) const = default;
};

struct LogEntry
{
    qint64 id = 0;
    QDateTime at; // UTC, to the millisecond
    QString user;
    QString action;  // 发函, 重印, 作废, 修改, 回函, 导入, …
    QString subject; // the 函证编号, or the run
    QString field;   // the field changed, empty for the letter as a whole
    QString oldValue;
    QString newValue;
    QByteArray previousHash; // hex, of the entry before; empty for the first
    QByteArray hash;         // hex, of this entry
};
