#include "RepliesCommand.h"

#include "WorkbookTable.h"
#include "control/ReplyListWriter.h"
#include "control/ReplyRecording.h"
#include "control/ReplyScan.h"
#include "control/ScannedFile.h"
#include "ledger/LedgerStore.h"

#include <QDir>

namespace {

// With a ledger, the check's columns follow (二维码校验, 改动检查, 回函标记, 建议结果).
QString lineText(const ReplyList &list, const ReplyLine &line, bool checked)
{
    QStringList fields{QDir::toNativeSeparators(line.file),
                       line.page > 0 ? QString::number(line.page) : QString(), line.number};
    if (line.letter >= 0) {
        const SentLetter &letter = list.letters().letters()[line.letter];
        fields << letter.customer << letter.amountText;
    } else {
        fields << QString() << QString();
    }
    fields << ReplyList::stateText(line.state) << line.note;
    if (checked)
        fields << line.checkTexts();
    QString text;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('\t');
        BatchOutput::appendEscaped(text, fields[i], BatchOutput::Escapes::Table);
    }
    return text + QLatin1Char('\n');
}

} // namespace

int runRepliesCommand(BatchArguments arguments)
{
    const QString registerFile = arguments.takeOption(QStringLiteral("--register"));
    const QString workbook = arguments.takeOption(QStringLiteral("--workbook"));
    const QString ledgerFile = arguments.takeOption(QStringLiteral("--ledger"));
    const QString channel = arguments.takeOption(QStringLiteral("--channel"));
    const QString receivedText = arguments.takeOption(QStringLiteral("--received"));
    const QString out = arguments.takeOption(QStringLiteral("--out"));
    if (int(!registerFile.isEmpty()) + int(!workbook.isEmpty()) + int(!ledgerFile.isEmpty()) != 1)
        throw UsageError(QStringLiteral("请给出 --register、--workbook 或 --ledger 之一"));
    if (ledgerFile.isEmpty() && !(channel.isEmpty() && receivedText.isEmpty()))
        throw UsageError(QStringLiteral("--channel 和 --received 只用于记入函证台账（--ledger）"));
    std::optional<QDate> received;
    if (!receivedText.isEmpty()) {
        received = QDate::fromString(receivedText, QStringLiteral("yyyy-MM-dd"));
        if (!received->isValid())
            throw UsageError(
                QStringLiteral("--received 的日期“%1”无效，应写作 yyyy-mm-dd").arg(receivedText));
    }
    if (!out.isEmpty())
        ReplyListWriter::checkTarget(out, registerFile);
    const QStringList files = ScannedFile::expand(arguments.positionalList());
    if (files.isEmpty())
        throw Exception(QStringLiteral("所给的文件夹中没有扫描件（PDF、PNG、JPEG、TIFF）"));

    const RegionalSettings &settings = RegionalSettings::user();
    std::unique_ptr<LedgerStore> ledger;
    if (!ledgerFile.isEmpty())
        ledger = LedgerStore::open(ledgerFile);
    ReplyList list =
        ledger ? ReplyRecording::prepared(*ledger)
        : registerFile.isEmpty()
            ? ReplyList(SentLetters::fromTable(WorkbookTable(workbook).table(), settings))
            : ReplyList(SentLetters::fromRegister(registerFile, settings));
    for (const SkippedRow &skipped : list.letters().skipped())
        BatchOutput::write(QStringLiteral("警告：函证控制表第 %1 行未计为询证函：%2\n")
                               .arg(skipped.row)
                               .arg(skipped.reason));
    // Each page's line goes out as soon as it is read.
    const bool showProgress = BatchOutput::errorIsTerminal();
    qsizetype written = 0;
    auto writeNewLines = [&] {
        for (; written < list.lines().size(); ++written)
            BatchOutput::write(lineText(list, list.lines()[written], ledger != nullptr));
        std::fflush(stdout);
    };
    auto progress = [&](double done, const QString &reading) {
        writeNewLines();
        if (showProgress)
            BatchOutput::writeError(QStringLiteral("\r正在识别：%1%").arg(qRound(done * 100), 3) +
                                    (reading.isEmpty() ? QStringLiteral("\n") : QString()));
        return true;
    };
    int recorded = 0;
    if (ledger)
        recorded =
            ReplyRecording::record(*ledger, list, files, channel, received, progress).pagesRecorded;
    else
        ReplyScan::run(files, list, progress);
    writeNewLines();
    BatchOutput::write(list.summary() + QLatin1Char('\n'));
    if (ledger)
        BatchOutput::write(
            QStringLiteral("已将 %1 页记入函证台账“%2”\n").arg(recorded).arg(ledger->shownName()));
    if (!out.isEmpty()) {
        ReplyListWriter::write(list, out, registerFile);
        BatchOutput::write(QStringLiteral("已将回函清单导出到“%1”\n")
                               .arg(QDir::toNativeSeparators(QFileInfo(out).absoluteFilePath())));
    }
    // A code that fails its check, or print changed since the letter went out, needs the
    // auditor as much as a page not matched.
    const bool altered = std::any_of(list.lines().begin(), list.lines().end(),
                                     [](const ReplyLine &l) { return l.findings.altered(); });
    const bool allMatched =
        list.count(ReplyState::UnknownNumber) == 0 && list.count(ReplyState::RepeatedNumber) == 0 &&
        list.count(ReplyState::Unrecognized) == 0 && list.count(ReplyState::Unreadable) == 0 &&
        list.count(ReplyState::CheckFailed) == 0 && !altered;
    return allMatched ? 0 : 3;
}
