#pragma once
// The replies read back: one line per scanned page or picture with the letter its code
// names, and the letters no page answered.

#include "SentLetters.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

enum class ReplyState
{
    Matched,        // 已匹配
    Duplicate,      // 重复: the letter already had a reply
    UnknownNumber,  // 未知编号: codes, but none of a letter sent
    Unrecognized,   // 未识别: no code found, to be checked by hand
    Unreadable,     // 无法读取: the file or page could not be read, with the reason
    RepeatedNumber, // 编号重复: the code names several letters sent, which one is unknown
    SameFile,       // 重复文件: a file of the same content was read before, so not again
    CheckFailed     // 校验失败: the code names a letter but its checksum does not verify
};

// What the check of a page against its letter as sent found; empty parts were not checked.
struct ReplyFindings
{
    QString alteration; // 未见改动, 疑似改动, or why the page was not compared
    QString regions;    // the regions that differ, as ReplyRegions writes them
    QString marks;      // the answer areas' marks, in words
    QString suggestion; // 相符, 不符, 无法判断

    // The page's print differs from the letter as sent.
    bool altered() const;
};

struct ReplyLine
{
    QString file;    // full path
    int page = 0;    // from 1; 0 when the whole file could not be read
    QString number;  // the code read, empty when none
    int letter = -1; // in the sent letters, for 已匹配 and 重复
    ReplyState state = ReplyState::Unrecognized;
    QString note;      // why it could not be read, where the first reply or file is
    QStringList codes; // every code read on the page
    QString codeText;  // the code that names the letter, as read
    QString codeCheck; // 有效, 无校验; empty where the letters came with no key
    ReplyFindings findings;

    // The check's columns, as ReplyListWriter::checkTitles names them.
    QStringList checkTexts() const
    {
        return {codeCheck, findings.alteration, findings.marks, findings.suggestion};
    }
};

class ReplyList
{
public:
    explicit ReplyList(SentLetters letters);

    static QString stateText(ReplyState state);
    static QString codeCheckText(CodeCheck check);

    // A page or picture with the texts of the codes on it.
    void addPage(const QString &file, int page, const QStringList &codes);
    // A file (page 0) or page that could not be read.
    void addUnreadable(const QString &file, int page, const QString &reason);
    // Notes that 'file', whose content has that hash, is read next: false, with a 重复文件
    // line, when a file of the same content was read before (added again, or a copy).
    bool startFile(const QString &file, const QByteArray &contentHash);
    // A file not read, with a 重复文件 line saying why (its content was recorded before).
    void addSkippedFile(const QString &file, const QString &note);
    // Takes back the lines of the file read last, from 'firstLine' on: its pages could not
    // be recorded, so the list does not show them as read.
    void dropFile(int firstLine, const QByteArray &contentHash);
    // What the check of line 'line' found.
    void setFindings(int line, const ReplyFindings &findings);
    // Notes that 'letter' was answered before this list (by a scan kept elsewhere, 'note'
    // says where): a page naming it is 重复, and it is not unanswered.
    void markAnswered(int letter, const QString &note);

    // The same pages matched against other letters, without reading them again.
    ReplyList relisted(SentLetters letters) const;

    const SentLetters &letters() const { return m_letters; }
    const QList<ReplyLine> &lines() const { return m_lines; }
    // The letters no page matched, in the list's order.
    QList<int> unanswered() const;
    int count(ReplyState state) const;
    // The pages whose codes were matched against the letters (whatever came of it).
    int pagesMatched() const;
    // 已匹配 12，重复 1，… : the counts of the states that occur, and the letters unanswered.
    QString summary() const;

private:
    SentLetters m_letters;
    QList<ReplyLine> m_lines;
    QList<int> m_firstReply;                // by letter: its 已匹配 line, or -1
    QHash<int, QString> m_answeredBefore;   // by letter: where its earlier reply is
    QHash<QByteArray, QString> m_filesRead; // by content hash: the first file read
};
