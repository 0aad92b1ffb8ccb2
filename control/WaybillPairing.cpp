#include "WaybillPairing.h"

#include "ledger/LedgerStore.h"
#include "platform/Exception.h"

#include <algorithm>

namespace {
// What saving does to a letter that has a waybill already.
QString changeNote(const LedgerLetter &letter, const QString &waybill)
{
    const QString old = letter.value(LetterField::Waybill);
    if (old.isEmpty())
        return QString();
    if (old == waybill)
        return QStringLiteral("已登记，不变");
    return QStringLiteral("替换原快递单号 %1").arg(old);
}
} // namespace

WaybillPairing WaybillPairing::fromScan(const QList<LedgerLetter> &letters,
                                        const WaybillScan::Labels &labels)
{
    QStringList numbers;
    for (const LedgerLetter &letter : letters)
        numbers.append(letter.identity.number);
    const WaybillScan::Binding binding = WaybillScan::bind(numbers, labels.waybills);
    WaybillPairing pairing;
    pairing.m_mismatch = binding.mismatch;
    for (int i = 0; i < binding.pairs.size(); ++i) {
        const LedgerLetter &letter = letters[i];
        const QString &waybill = binding.pairs[i].second;
        pairing.m_rows.append({letter.identity.number, letter.identity.customer, waybill,
                               changeNote(letter, waybill), true});
    }
    for (qsizetype i = binding.pairs.size(); i < letters.size(); ++i)
        pairing.m_rows.append({letters[i].identity.number, letters[i].identity.customer, QString(),
                               QStringLiteral("没有读到对应的快递单"), false});
    for (const QString &waybill : binding.waybillsLeft)
        pairing.m_rows.append({QString(), QString(), waybill,
                               QStringLiteral("多出的快递单，没有对应的询证函"), false});
    for (const QString &code : labels.ignored)
        pairing.m_rows.append(
            {QString(), QString(), code, QStringLiteral("不是快递单号，未使用"), false});
    return pairing;
}

WaybillPairing WaybillPairing::fromImport(const LedgerStore &ledger,
                                          const QList<WaybillImport::Line> &lines)
{
    WaybillPairing pairing;
    for (const WaybillImport::Line &line : lines) {
        const auto letter = ledger.letter(line.number);
        if (!letter)
            pairing.m_rows.append(
                {line.number, QString(), line.waybill,
                 QStringLiteral("第 %1 行：台账中没有此函证编号的有效询证函").arg(line.row),
                 false});
        else
            pairing.m_rows.append({letter->identity.number, letter->identity.customer, line.waybill,
                                   changeNote(*letter, line.waybill), true});
    }
    return pairing;
}

int WaybillPairing::pairCount() const
{
    return int(
        std::count_if(m_rows.begin(), m_rows.end(), [](const Row &row) { return row.pairs; }));
}

QString WaybillPairing::summary() const
{
    const int left = int(m_rows.size()) - pairCount();
    QString text = QStringLiteral("%1 封询证函配上了快递单号").arg(pairCount());
    if (left)
        text += QStringLiteral("，%1 行未配对（不保存）").arg(left);
    text += QStringLiteral("。");
    if (!m_mismatch.isEmpty())
        text += m_mismatch + QStringLiteral("。");
    return text;
}

QStringList WaybillPairing::save(LedgerStore &ledger, const QString &action) const
{
    QList<QPair<QString, QList<QPair<LetterField, QString>>>> letters;
    for (const Row &row : m_rows)
        if (row.pairs)
            letters.append({row.number, {{LetterField::Waybill, row.waybill}}});
    if (letters.isEmpty())
        throw Exception(QStringLiteral("没有可以保存的快递单号"));
    return ledger.setValuesOf(letters, action);
}
