#include "ReplyList.h"

#include "ReplyPageCheck.h"

#include <QDir>
#include <QFileInfo>

ReplyList::ReplyList(SentLetters letters)
    : m_letters(std::move(letters)), m_firstReply(m_letters.letters().size(), -1)
{
}

QString ReplyList::stateText(ReplyState state)
{
    switch (state) {
    case ReplyState::Matched:
        return QStringLiteral("已匹配");
    case ReplyState::Duplicate:
        return QStringLiteral("重复");
    case ReplyState::UnknownNumber:
        return QStringLiteral("未知编号");
    case ReplyState::Unrecognized:
        return QStringLiteral("未识别");
    case ReplyState::RepeatedNumber:
        return QStringLiteral("编号重复");
    case ReplyState::SameFile:
        return QStringLiteral("重复文件");
    case ReplyState::CheckFailed:
        return QStringLiteral("校验失败");
    case ReplyState::Unreadable:
        break;
    }
    return QStringLiteral("无法读取");
}

bool ReplyFindings::altered() const
{
    return alteration == ReplyPageCheck::kAltered;
}

QString ReplyList::codeCheckText(CodeCheck check)
{
    switch (check) {
    case CodeCheck::Valid:
        return QStringLiteral("有效");
    case CodeCheck::Unkeyed:
        return QStringLiteral("无校验");
    case CodeCheck::Failed:
        return QStringLiteral("校验失败");
    case CodeCheck::NotChecked:
        break;
    }
    return QString();
}

void ReplyList::addPage(const QString &file, int page, const QStringList &codes)
{
    ReplyLine line{file, page, QString(), -1, ReplyState::Unrecognized, QString(), codes};
    // A reply may carry other codes (the customer's own, a courier's): the letter's code is
    // the one that names a letter sent, and one that verifies before one that does not.
    QStringList known;
    QList<CodeMatch> failed;
    QStringList failedCodes;
    for (const QString &code : codes) {
        const CodeMatch match = m_letters.match(code);
        if (match.letter < 0)
            continue;
        if (match.check == CodeCheck::Failed) {
            failed.append(match);
            failedCodes.append(code.trimmed());
            continue;
        }
        if (known.isEmpty()) {
            line.codeText = code.trimmed();
            line.codeCheck = codeCheckText(match.check);
        }
        if (!known.contains(match.number))
            known.append(match.number);
    }
    if (known.isEmpty() && !failed.isEmpty()) {
        // A copied, made-up or altered code answers no letter, whatever it names.
        line.number = failed.constFirst().number;
        line.codeText = failedCodes.constFirst();
        line.state = ReplyState::CheckFailed;
        line.codeCheck = codeCheckText(CodeCheck::Failed);
        line.note = QStringLiteral("二维码的校验码与函证编号 %1 的询证函不符，可能是复制、伪造"
                                   "或改动过的二维码，未计为回函")
                        .arg(line.number);
    } else if (!known.isEmpty()) {
        line.number = known.constFirst();
        line.letter = m_letters.find(line.number);
        const QList<int> repeats = m_letters.repeats(line.number);
        const int first = m_firstReply[line.letter];
        if (!repeats.isEmpty()) {
            // Picking one of them would tell one company's reply to another.
            line.letter = -1;
            line.state = ReplyState::RepeatedNumber;
            QStringList rows;
            for (int letter : repeats)
                rows.append(QString::number(m_letters.letters()[letter].row));
            line.note = QStringLiteral("第 %1 行的函证编号相同，请人工核对")
                            .arg(rows.join(QStringLiteral("、")));
        } else if (const auto before = m_answeredBefore.constFind(line.letter);
                   first < 0 && before != m_answeredBefore.cend()) {
            line.state = ReplyState::Duplicate;
            line.note = *before;
        } else if (first < 0) {
            line.state = ReplyState::Matched;
            m_firstReply[line.letter] = int(m_lines.size());
        } else {
            line.state = ReplyState::Duplicate;
            const ReplyLine &earlier = m_lines[first];
            line.note = QStringLiteral("与“%1”第 %2 页重复")
                            .arg(QFileInfo(earlier.file).fileName())
                            .arg(earlier.page);
        }
        if (known.size() > 1)
            line.note =
                (line.note.isEmpty() ? QString() : line.note + QStringLiteral("；")) +
                QStringLiteral("同页另有编号 %1").arg(known.mid(1).join(QStringLiteral("、")));
    } else if (!codes.isEmpty()) {
        line.number = codes.constFirst().trimmed();
        line.state = ReplyState::UnknownNumber;
    }
    m_lines.append(line);
}

void ReplyList::setFindings(int line, const ReplyFindings &findings)
{
    if (line >= 0 && line < m_lines.size())
        m_lines[line].findings = findings;
}

void ReplyList::addUnreadable(const QString &file, int page, const QString &reason)
{
    m_lines.append({file, page, QString(), -1, ReplyState::Unreadable, reason, {}});
}

bool ReplyList::startFile(const QString &file, const QByteArray &contentHash)
{
    const auto earlier = m_filesRead.constFind(contentHash);
    if (earlier == m_filesRead.cend()) {
        m_filesRead.insert(contentHash, file);
        return true;
    }
    const QString earlierName = QFileInfo(*earlier).fileName();
    m_lines.append(
        {file,
         0,
         QString(),
         -1,
         ReplyState::SameFile,
         QStringLiteral("与已读的“%1”内容相同，未再识别")
             .arg(earlierName == QFileInfo(file).fileName() ? QDir::toNativeSeparators(*earlier)
                                                            : earlierName),
         {}});
    return false;
}

void ReplyList::dropFile(int firstLine, const QByteArray &contentHash)
{
    m_lines.resize(std::min<qsizetype>(firstLine, m_lines.size()));
    for (int &line : m_firstReply)
        if (line >= firstLine)
            line = -1;
    m_filesRead.remove(contentHash);
}

void ReplyList::addSkippedFile(const QString &file, const QString &note)
{
    m_lines.append({file, 0, QString(), -1, ReplyState::SameFile, note, {}});
}

void ReplyList::markAnswered(int letter, const QString &note)
{
    m_answeredBefore.insert(letter, note);
}

ReplyList ReplyList::relisted(SentLetters letters) const
{
    ReplyList list(std::move(letters));
    list.m_filesRead = m_filesRead;
    for (const ReplyLine &line : m_lines) {
        if (line.state == ReplyState::Unreadable || line.state == ReplyState::SameFile)
            list.m_lines.append(line); // nothing in them depends on the letters
        else
            list.addPage(line.file, line.page, line.codes);
    }
    return list;
}

QList<int> ReplyList::unanswered() const
{
    QList<int> letters;
    for (int i = 0; i < m_firstReply.size(); ++i)
        if (m_firstReply[i] < 0 && !m_answeredBefore.contains(i))
            letters.append(i);
    return letters;
}

int ReplyList::count(ReplyState state) const
{
    return int(std::count_if(m_lines.begin(), m_lines.end(),
                             [state](const ReplyLine &line) { return line.state == state; }));
}

int ReplyList::pagesMatched() const
{
    int pages = 0;
    for (ReplyState state : {ReplyState::Matched, ReplyState::Duplicate, ReplyState::RepeatedNumber,
                             ReplyState::UnknownNumber, ReplyState::CheckFailed})
        pages += count(state);
    return pages;
}

QString ReplyList::summary() const
{
    QStringList parts;
    for (ReplyState state :
         {ReplyState::Matched, ReplyState::Duplicate, ReplyState::RepeatedNumber,
          ReplyState::CheckFailed, ReplyState::UnknownNumber, ReplyState::Unrecognized,
          ReplyState::Unreadable, ReplyState::SameFile})
        if (const int n = count(state); n > 0 || state == ReplyState::Matched)
            parts.append(QStringLiteral("%1 %2").arg(stateText(state)).arg(n));
    // Pages that need the auditor's eye though they answer a letter.
    const auto altered = std::count_if(m_lines.begin(), m_lines.end(), [](const ReplyLine &line) {
        return line.findings.altered();
    });
    if (altered > 0)
        parts.append(QStringLiteral("疑似改动 %1").arg(altered));
    parts.append(QStringLiteral("未回函 %1").arg(unanswered().size()));
    return parts.join(QStringLiteral("，"));
}
