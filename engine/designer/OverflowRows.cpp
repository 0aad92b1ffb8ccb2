#include "OverflowRows.h"

#include "engine/PageRenderer.h"

namespace OverflowRows {

QList<int> of(const ReportTemplate &report, const SampleData &data, int index)
{
    if (index < 0 || index >= report.elements.size() || data.records.isEmpty())
        return {};
    const ElementKind kind = report.elements[index].kind;
    if (kind != ElementKind::Text && kind != ElementKind::Field && kind != ElementKind::SystemValue)
        return {};
    // One page for each record, as the run makes them.
    ReportDocument pages = SamplePreview::document(report, data, 0, true);
    for (int record = 1; record < data.records.size(); ++record)
        pages.records.append(SamplePreview::document(report, data, record, true).records[0]);
    PageRenderer renderer(pages);
    QList<int> found;
    for (int page = 0; page < pages.pageCount(); ++page)
        if (renderer.overflows(index, page))
            found.append(page);
    return found;
}

QString describe(const SampleData &data, const QList<int> &records, int shown)
{
    QStringList labels;
    for (int i = 0; i < records.size() && i < shown; ++i) {
        // A label reads "第 3 行：某公司": the row is what the user looks for.
        const QString label = data.records.value(records[i]).label;
        labels.append(label.section(QStringLiteral("："), 0, 0));
    }
    QString text = labels.join(QStringLiteral("、"));
    if (records.size() > shown)
        text += QStringLiteral(" 等 %1 行").arg(records.size());
    return text;
}

} // namespace OverflowRows
