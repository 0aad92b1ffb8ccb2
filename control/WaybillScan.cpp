#include "WaybillScan.h"

#include "LinearCodeBounds.h"
#include "ScannedFile.h"
#include "engine/CodeReader.h"
#include "platform/Exception.h"
#include "platform/WaybillRules.h"

#include <QFileInfo>
#include <QLineF>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace WaybillScan {

namespace {

// How far the sheet is turned, in quarter turns: the way most labels' codes run. A code
// read slightly askew still counts for its nearest quarter.
int quarterTurns(const QList<CodeReader::Code> &codes)
{
    std::array<int, 4> votes{};
    for (const CodeReader::Code &code : codes) {
        const QPointF run =
            (code.corners[1] + code.corners[2]) - (code.corners[0] + code.corners[3]);
        const double degrees = std::atan2(run.y(), run.x()) * 180 / M_PI;
        ++votes[(int(std::lround(degrees / 90)) % 4 + 4) % 4];
    }
    return int(std::max_element(votes.begin(), votes.end()) - votes.begin());
}

struct Placed
{
    QString text;
    QRectF box; // on the sheet turned upright
};

struct Row
{
    double top, bottom;
    QList<Placed> labels;
};

// Codes whose bars overlap in height sit in one row: a sheet scanned a little askew or a
// label pasted a little high shifts a row's codes against each other, never past their
// height, and labels of two rows do not overlap at all.
bool sameRow(const Row &row, const QRectF &box)
{
    return std::min(row.bottom, box.bottom()) > std::max(row.top, box.top());
}

// Each code's place on the sheet turned upright, from its bars. A result zxing-cpp read on
// two codes of one text (a label and its receipt stub) is both of them.
QList<Placed> placed(const QImage &grey, const QList<CodeReader::Code> &codes)
{
    const QTransform upright = QTransform().rotate(-90.0 * quarterTurns(codes));
    QList<Placed> found;
    for (const CodeReader::Code &code : codes) {
        const QRectF first =
            upright.map(LinearCodeBounds::measured(grey, QLineF(code.corners[0], code.corners[1])))
                .boundingRect();
        const QRectF last =
            upright.map(LinearCodeBounds::measured(grey, QLineF(code.corners[3], code.corners[2])))
                .boundingRect();
        found.append({code.text, first});
        if (std::min(first.bottom(), last.bottom()) <= std::max(first.top(), last.top()))
            found.append({code.text, last});
    }
    return found;
}

QStringList inReadingOrder(QList<Placed> placed)
{
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed &a, const Placed &b) { return a.box.top() < b.box.top(); });
    QList<Row> rows;
    for (const Placed &label : placed) {
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const Row &row) { return sameRow(row, label.box); });
        if (row == rows.end()) {
            rows.append({label.box.top(), label.box.bottom(), {label}});
        } else {
            row->top = std::min(row->top, label.box.top());
            row->bottom = std::max(row->bottom, label.box.bottom());
            row->labels.append(label);
        }
    }
    QStringList texts;
    for (Row &row : rows) {
        std::stable_sort(
            row.labels.begin(), row.labels.end(),
            [](const Placed &a, const Placed &b) { return a.box.left() < b.box.left(); });
        for (const Placed &label : row.labels)
            texts.append(label.text);
    }
    return texts;
}

void add(Labels &labels, const QStringList &texts)
{
    for (const QString &text : texts) {
        if (WaybillRules::plausible(text)) {
            const QString waybill = WaybillRules::normalized(text);
            if (!labels.waybills.contains(waybill))
                labels.waybills.append(waybill);
        } else if (!labels.ignored.contains(text)) {
            labels.ignored.append(text);
        }
    }
}

QStringList pageTexts(const QImage &page)
{
    QList<CodeReader::Code> codes = CodeReader::read(page);
    codes.removeIf([](const CodeReader::Code &code) { return !code.linear; });
    if (codes.isEmpty())
        return {};
    return inReadingOrder(placed(page.convertToFormat(QImage::Format_Grayscale8), codes));
}

} // namespace

Labels read(const QImage &page)
{
    Labels labels;
    add(labels, pageTexts(page));
    return labels;
}

Labels read(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    std::optional<ScannedFile> file;
    try {
        file.emplace(path, kDotsPerInch);
    } catch (const Exception &error) {
        throw Exception(QStringLiteral("“%1”无法读取：%2").arg(name, error.message()));
    }
    Labels labels;
    for (int page = 0; page < file->pageCount(); ++page) {
        QImage picture;
        try {
            picture = file->page(page);
        } catch (const Exception &error) {
            throw Exception(QStringLiteral("“%1”第 %2 页无法读取：%3")
                                .arg(name)
                                .arg(page + 1)
                                .arg(error.message()));
        }
        add(labels, pageTexts(picture));
    }
    return labels;
}

Binding bind(const QStringList &letters, const QStringList &waybills)
{
    Binding binding;
    const qsizetype paired = std::min(letters.size(), waybills.size());
    for (qsizetype i = 0; i < paired; ++i)
        binding.pairs.append({letters[i], waybills[i]});
    binding.lettersLeft = letters.mid(paired);
    binding.waybillsLeft = waybills.mid(paired);
    if (letters.size() == waybills.size())
        return binding;
    binding.mismatch = QStringLiteral("选中了 %1 封询证函，读到 %2 个运单号")
                           .arg(letters.size())
                           .arg(waybills.size());
    if (!binding.lettersLeft.isEmpty())
        binding.mismatch += QStringLiteral("：按顺序配对后，%1 封询证函没有运单号（%2）")
                                .arg(binding.lettersLeft.size())
                                .arg(binding.lettersLeft.join(QStringLiteral("、")));
    else
        binding.mismatch += QStringLiteral("：按顺序配对后，%1 个运单号没有对应的询证函（%2）")
                                .arg(binding.waybillsLeft.size())
                                .arg(binding.waybillsLeft.join(QStringLiteral("、")));
    binding.mismatch += QStringLiteral("。请核对选中的询证函和扫描的面单");
    return binding;
}

} // namespace WaybillScan
