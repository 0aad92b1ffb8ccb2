#include "ReplyChecking.h"

#include "ReplyAreas.h"
#include "ReplyPageCheck.h"
#include "ledger/LedgerStore.h"
#include "platform/Exception.h"

#include <QJsonArray>
#include <QJsonDocument>

ReplyChecking::ReplyChecking(const LedgerStore &ledger) : m_ledger(ledger)
{
    for (const LedgerRun &run : ledger.runs())
        m_areasOfRun.insert(run.id, run.replyAreas);
}

ReplyChecking::Checked ReplyChecking::check(const ReplyLine &line, const QImage &page,
                                            const QList<CodeReader::Code> &codes)
{
    if ((line.state != ReplyState::Matched && line.state != ReplyState::Duplicate) ||
        line.codeText.isEmpty())
        return {};
    const auto letter = m_ledger.letter(line.number);
    if (!letter)
        return {};
    const QString areasText = m_areasOfRun.value(letter->firstRun);
    if (areasText.isEmpty())
        return {true, QStringLiteral("发出该函时未记录回函区"), {}};
    const QByteArray pdf = m_ledger.letterPdf(line.number);
    if (pdf.isEmpty())
        return {true, QStringLiteral("函证台账中没有保存该函发出时的页面"), {}};
    ReplyAreas areas;
    try {
        areas = ReplyAreas::fromJson(areasText);
    } catch (const Exception &error) {
        return {true, error.message(), {}};
    }
    if (areas.free.isEmpty())
        return {true, QStringLiteral("模板未标出回函区"), {}};
    QPolygonF corners;
    for (const CodeReader::Code &code : codes)
        if (code.text.trimmed() == line.codeText && !code.linear) {
            corners = code.corners;
            break;
        }
    ReplyPageCheck::Result result = ReplyPageCheck::check(page, corners, pdf, areas);
    QString why = result.compared ? QString() : result.notCompared;
    return {true, why, std::move(result)};
}

ReplyFindings ReplyChecking::findings(const ReplyLine &line, const QImage &page,
                                      const QList<CodeReader::Code> &codes)
{
    const Checked checked = check(line, page, codes);
    if (!checked.named)
        return {};
    const QString notCompared = QStringLiteral("未比对：") + checked.notCompared;
    if (!checked.result)
        return {notCompared, {}, {}, {}};
    const ReplyPageCheck::Result &result = *checked.result;
    if (!result.compared)
        return {notCompared, {}, result.note(), result.suggestion};
    return {result.altered() ? ReplyPageCheck::kAltered : QStringLiteral("未见改动"),
            regionsText(result.changed), result.note(), result.suggestion};
}

QString ReplyChecking::regionsText(const QList<QRectF> &regions)
{
    if (regions.isEmpty())
        return QString();
    QJsonArray all;
    auto tenth = [](double mm) { return std::round(mm * 10) / 10; };
    for (const QRectF &region : regions)
        all.append(QJsonArray{tenth(region.x()), tenth(region.y()), tenth(region.width()),
                              tenth(region.height())});
    return QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact));
}

QList<QRectF> ReplyChecking::regionsFrom(const QString &text)
{
    QList<QRectF> regions;
    for (const QJsonValue &value : QJsonDocument::fromJson(text.toUtf8()).array()) {
        const QJsonArray rect = value.toArray();
        if (rect.size() == 4)
            regions.append(QRectF(rect[0].toDouble(), rect[1].toDouble(), rect[2].toDouble(),
                                  rect[3].toDouble()));
    }
    return regions;
}
