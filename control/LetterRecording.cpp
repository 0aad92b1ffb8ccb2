#include "LetterRecording.h"

#include "Cents.h"
#include "ReplyAreas.h"
#include "SecondRequests.h"

#include "engine/DisplayFormat.h"
#include "engine/PdfExport.h"
#include "ledger/LedgerStore.h"
#include "ledger/LetterCode.h"
#include "platform/Exception.h"
#include "report/LetterRows.h"
#include "report/RecordFetch.h"

#include "table/StringGridModel.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <cmath>
#include <utility>

namespace LetterRecording {

namespace {

// The amount to the cent as the letter shows it (two decimals of the value as stored), so
// the ledger holds what the customer reads.
qint64 centsOf(double amount)
{
    const std::optional<qint64> cents = Cents::of(amount);
    if (!cents)
        throw Exception(QStringLiteral("金额“%1”超出函证台账能记录的范围")
                            .arg(QString::number(amount, 'f', 2)));
    return *cents;
}

} // namespace

QList<LetterIdentity> identities(const ReportDocument &letters, const QString &templateName)
{
    const ReportTemplate &report = letters.report;
    const int number = report.fieldIndex(RecordFetch::LetterNumber);
    const int customer = report.fieldIndex(RecordFetch::Customer);
    const int cutOff = report.fieldIndex(RecordFetch::CutOffDate);
    const int amount = report.fieldIndex(RecordFetch::Amount);
    QList<QPair<QString, int>> further;
    for (const FieldDeclaration &field : report.fields)
        if (!RecordFetch::Fields.contains(field.name) && field.name != CodeField)
            further.append({field.name, report.fieldIndex(field.name)});
    auto value = [](const RecordValues &record, int index) {
        return index >= 0 ? record.value(index) : QVariant();
    };
    QList<LetterIdentity> result;
    result.reserve(letters.records.size());
    for (const RecordValues &record : letters.records) {
        LetterIdentity identity;
        identity.number = value(record, number).toString();
        identity.customer = value(record, customer).toString();
        identity.cutOff = value(record, cutOff).toDate();
        if (const QVariant book = value(record, amount);
            book.typeId() == QMetaType::Double && std::isfinite(book.toDouble()))
            identity.cents = centsOf(book.toDouble());
        identity.templateName = templateName;
        for (const auto &[name, index] : further)
            identity.fields.append({name, DisplayFormat::apply(value(record, index), QString())});
        result.append(identity);
    }
    return result;
}

namespace {

// Whether a code of 'report' shows the code field, so that what it prints is the keyed code.
bool codeShowsField(const ReportTemplate &report)
{
    const QString field = QLatin1Char('{') + CodeField;
    return std::any_of(
        report.elements.begin(), report.elements.end(), [&](const ReportElement &element) {
            return element.kind == ElementKind::Barcode && element.text.contains(field);
        });
}

// By page: whether the letter's code carries its keyed checksum.
QList<bool> keyedCodes(const LedgerStore &ledger, const ReportDocument &letters,
                       const QList<LetterIdentity> &sent)
{
    QList<bool> keyed(sent.size(), false);
    const int field = letters.report.fieldIndex(CodeField);
    const QByteArray key = ledger.codeKey();
    if (field < 0 || key.isEmpty() || !codeShowsField(letters.report))
        return keyed;
    for (qsizetype i = 0; i < sent.size(); ++i)
        keyed[i] = letters.records[i].value(field).toString() == LetterCode::content(key, sent[i]);
    return keyed;
}

} // namespace

void stampCodes(const LedgerStore &ledger, ReportDocument &letters, const QString &templateName)
{
    const int field = letters.report.fieldIndex(CodeField);
    const QByteArray key = ledger.codeKey();
    if (field < 0 || key.isEmpty())
        return;
    const QList<LetterIdentity> sent = identities(letters, templateName);
    for (qsizetype i = 0; i < sent.size(); ++i) {
        RecordValues &record = letters.records[i];
        if (record.size() <= field)
            record.resize(field + 1);
        record[field] =
            sent[i].number.trimmed().isEmpty() ? QString() : LetterCode::content(key, sent[i]);
    }
}

QString replyAreasOf(const ReportTemplate &report)
{
    return ReplyAreas::of(report).toJson();
}

QList<QPair<LetterField, QStringList>> contactTitles()
{
    return {{LetterField::Email, {EmailTitle}},
            {LetterField::Address, {QStringLiteral("地址")}},
            {LetterField::Phone, {QStringLiteral("电话"), QStringLiteral("联系电话")}}};
}

QList<LetterContacts> contacts(const StringGridModel &table, const QList<int> &rows)
{
    QList<QPair<LetterField, int>> columns;
    for (const auto &[field, titles] : contactTitles())
        for (int c = 0; c < table.ColCount(); ++c)
            if (titles.contains(table.Cells(c, 0).trimmed())) {
                columns.append({field, c});
                break;
            }
    QList<LetterContacts> found;
    if (columns.isEmpty())
        return found;
    for (int row : rows) {
        LetterContacts &letter = found.emplace_back();
        for (const auto &[field, column] : columns)
            letter.append({field, table.Cells(column, row).trimmed()});
    }
    return found;
}

void requireSendable(const LedgerStore &ledger, const ReportDocument &letters,
                     const QString &templateName,
                     const std::function<QString(qsizetype letter)> &placeOf,
                     const QList<LetterContacts> &contacts)
{
    if (ledger.readOnly())
        throw Exception(QStringLiteral("函证台账“%1”是只读打开的（%2），无法记录本次发函；"
                                       "未打印任何询证函")
                            .arg(ledger.shownName(), ledger.readOnlyReason()));
    // Each letter is recorded with the hash of its own page; a list of many per page is not a
    // letter.
    if (letters.report.band.isSet())
        throw Exception(QStringLiteral("模板“%1”设有明细区，一页印多条记录，不能作为询证函"
                                       "记入函证台账；未打印任何询证函")
                            .arg(templateName));
    // An address the ledger would refuse stops the run before anything is printed.
    for (qsizetype i = 0; i < contacts.size(); ++i)
        for (const auto &[field, text] : contacts[i]) {
            try {
                LedgerStore::normalized(field, text);
            } catch (const Exception &error) {
                throw Exception(
                    QStringLiteral("%1的%2；未打印任何询证函").arg(placeOf(i), error.message()));
            }
        }
    const QList<LetterIdentity> sent = identities(letters, templateName);
    // The ledger tells letters apart by their numbers, whatever the template shows.
    LetterRows::requireNumbers(LetterRows::numberProblems(
        sent.size(), [&](qsizetype i) { return sent[i].number; },
        [&](qsizetype i, bool) { return placeOf(i); }));
    const QList<int> changed = ledger.conflicts(sent);
    if (changed.isEmpty())
        return;
    constexpr int listed = 10;
    QStringList named;
    for (int i : changed.mid(0, listed))
        named.append(QStringLiteral("%1（%2）").arg(placeOf(i), sent[i].number.trimmed()));
    QString which = named.join(QStringLiteral("、"));
    if (changed.size() > listed)
        which += QStringLiteral(" 等 %1 封").arg(changed.size());
    throw Exception(QStringLiteral("%1的函证编号已按其他内容发出过，已发出的询证函不能改动；"
                                   "如确需重发，请先在函证台账中作废原来的询证函。"
                                   "未打印任何询证函")
                        .arg(which));
}

LedgerRun record(LedgerStore &ledger, const ReportDocument &letters, const QString &templateName,
                 const QString &kind, const QString &output, const QList<int> &pages,
                 QList<QByteArray> pageSha256,
                 const std::function<void(int done, int total)> &progress,
                 const QList<LetterContacts> &contacts, const QStringList &pageFiles)
{
    QList<QByteArray> pdfs(letters.pageCount());
    if (pageSha256.isEmpty()) {
        pageSha256.resize(letters.pageCount());
        PdfExport::eachPage(
            letters,
            [&](int page, const QByteArray &pdf) {
                pageSha256[page] = PdfExport::sha256Hex(pdf);
                pdfs[page] = pdf;
            },
            [&](int done, int total) {
                if (progress)
                    progress(done, total);
                return true;
            });
    } else {
        // The files as written: a file changed or gone since is not the page hashed, and
        // the letter keeps no PDF rather than another one.
        for (int page = 0; page < pdfs.size(); ++page)
            if (QFile file(pageFiles.value(page)); file.open(QIODevice::ReadOnly)) {
                const QByteArray bytes = file.readAll();
                if (PdfExport::sha256Hex(bytes) == pageSha256.value(page))
                    pdfs[page] = bytes;
            }
    }
    const QList<LetterIdentity> sent = identities(letters, templateName);
    const QList<bool> keyed = keyedCodes(ledger, letters, sent);
    QList<SentPage> sentPages;
    QSet<int> seen;
    for (int page : pages)
        if (page >= 0 && page < sent.size() && !seen.contains(page)) {
            seen.insert(page);
            sentPages.append({sent[page], pageSha256.value(page),
                              SecondRequests::followsOf(sent[page]), contacts.value(page),
                              pdfs[page], keyed[page]});
        }
    LedgerRun run;
    run.kind = kind;
    run.output = output;
    run.templateName = templateName;
    run.replyAreas = replyAreasOf(letters.report);
    return ledger.recordRun(run, sentPages);
}

} // namespace LetterRecording
