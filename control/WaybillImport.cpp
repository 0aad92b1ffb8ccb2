#include "WaybillImport.h"

#include "SentLetters.h"
#include "TitledRows.h"
#include "platform/Exception.h"
#include "platform/WaybillRules.h"

#include <QFileInfo>
#include <QHash>

namespace {

const QStringList kNumberTitles{QStringLiteral("函证编号"), QStringLiteral("函编号")};
const QStringList kWaybillTitles{QStringLiteral("运单号"), QStringLiteral("快递单号")};

const QStringList kAddressTitles{QStringLiteral("寄件人地址"), QStringLiteral("寄件地址")};
const QStringList kPhoneTitles{QStringLiteral("寄件人电话"), QStringLiteral("寄件电话")};
const QStringList kTimeTitles{QStringLiteral("寄件时间"), QStringLiteral("揽收时间")};

QString titleChoice(const QStringList &titles)
{
    return QStringLiteral("“%1”（或“%2”）").arg(titles[0], titles[1]);
}

} // namespace

// What a file must hold: the letters' waybills need both the number and the waybill of each
// row; a reply's record either, and the sender.
struct WaybillImport::Layout
{
    bool replies = false;
    QString what; // 运单号, 回函快递记录: what is not read when the file is refused
};

QList<WaybillImport::Line> WaybillImport::read(const QString &path)
{
    return read(path, {false, QStringLiteral("运单号")});
}

QList<WaybillImport::Line> WaybillImport::readReplies(const QString &path)
{
    return read(path, {true, QStringLiteral("回函快递记录")});
}

QList<WaybillImport::Line> WaybillImport::read(const QString &path, const Layout &layout)
{
    const QString name = QFileInfo(path).fileName();
    TitledRows rows = TitledRows::read(path);
    const QStringList anyTitle = layout.replies ? kNumberTitles + kWaybillTitles : kNumberTitles;
    if (!rows.findTitles(anyTitle))
        throw Exception(QStringLiteral("“%1”%2前 %3 行中没有%4列，无法读取%5")
                            .arg(name, rows.where)
                            .arg(TitledRows::kTitleRows)
                            .arg(layout.replies
                                     ? titleChoice(kNumberTitles) + QStringLiteral("或") +
                                           titleChoice(kWaybillTitles)
                                     : titleChoice(kNumberTitles),
                                 layout.what));
    const int numberColumn = rows.column(kNumberTitles);
    const int waybillColumn = rows.column(kWaybillTitles);
    if (waybillColumn < 0 && !layout.replies)
        throw Exception(QStringLiteral("“%1”%2的列标题中没有%3列，无法读取运单号")
                            .arg(name, rows.where, titleChoice(kWaybillTitles)));
    const int addressColumn = rows.column(kAddressTitles), phoneColumn = rows.column(kPhoneTitles),
              timeColumn = rows.column(kTimeTitles);
    if (layout.replies && addressColumn < 0 && phoneColumn < 0 && timeColumn < 0)
        throw Exception(QStringLiteral("“%1”%2的列标题中没有%3、%4或%5列，无法读取回函快递记录")
                            .arg(name, rows.where, titleChoice(kAddressTitles),
                                 titleChoice(kPhoneTitles), titleChoice(kTimeTitles)));

    auto refuse = [&](int row, const QString &reason) {
        return Exception(QStringLiteral("“%1”%2第 %3 行：%4；未读取任何%5")
                             .arg(name, rows.where)
                             .arg(row)
                             .arg(reason, layout.what));
    };
    QList<Line> lines;
    QHash<QString, int> byNumber, byWaybill; // the line that gave each
    for (const auto &[row, cells] : rows.rows) {
        const QString number = cells.value(numberColumn).trimmed();
        const QString text = cells.value(waybillColumn).trimmed();
        if (layout.replies) {
            Line line{number,
                      QString(),
                      row,
                      cells.value(addressColumn).trimmed(),
                      cells.value(phoneColumn).trimmed(),
                      cells.value(timeColumn).trimmed()};
            if (SentLetters::isTotalsLabel(number) || (number.isEmpty() && text.isEmpty()))
                continue;
            try {
                if (!text.isEmpty())
                    line.waybill = WaybillRules::requireWaybill(text);
            } catch (const Exception &error) {
                throw refuse(row, error.message());
            }
            if (const auto earlier = byWaybill.constFind(line.waybill);
                !line.waybill.isEmpty() && earlier != byWaybill.cend())
                throw refuse(row, QStringLiteral("运单号“%1”在第 %2 行已出现")
                                      .arg(line.waybill)
                                      .arg(lines[*earlier].row));
            if (const auto earlier = byNumber.constFind(number);
                !number.isEmpty() && earlier != byNumber.cend())
                throw refuse(row, QStringLiteral("函证编号“%1”在第 %2 行已出现")
                                      .arg(number)
                                      .arg(lines[*earlier].row));
            if (!number.isEmpty())
                byNumber.insert(number, int(lines.size()));
            if (!line.waybill.isEmpty())
                byWaybill.insert(line.waybill, int(lines.size()));
            lines.append(line);
            continue;
        }
        // A courier's totals line or a note below the list names no letter and gives no
        // waybill, whatever count it holds.
        if (SentLetters::isTotalsLabel(number) ||
            (text.isEmpty() && (number.isEmpty() || std::any_of(cells.begin(), cells.end(),
                                                                SentLetters::isTotalsLabel))))
            continue;
        if (number.isEmpty())
            throw refuse(row, QStringLiteral("运单号“%1”没有函证编号").arg(text));
        if (text.isEmpty())
            throw refuse(row, QStringLiteral("函证编号“%1”的运单号为空").arg(number));
        QString waybill;
        try {
            waybill = WaybillRules::requireWaybill(text);
        } catch (const Exception &error) {
            throw refuse(row, error.message());
        }
        if (const auto earlier = byWaybill.constFind(waybill); earlier != byWaybill.cend()) {
            const Line &other = lines[*earlier];
            if (other.number == number)
                continue; // the same pair again says nothing new
            throw refuse(row, QStringLiteral("运单号“%1”在第 %2 行已给了函证编号“%3”，"
                                             "不能再给“%4”")
                                  .arg(waybill)
                                  .arg(other.row)
                                  .arg(other.number, number));
        }
        if (const auto earlier = byNumber.constFind(number); earlier != byNumber.cend()) {
            const Line &other = lines[*earlier];
            throw refuse(row, QStringLiteral("函证编号“%1”在第 %2 行的运单号是“%3”，"
                                             "这里又给了“%4”")
                                  .arg(number)
                                  .arg(other.row)
                                  .arg(other.waybill, waybill));
        }
        byNumber.insert(number, int(lines.size()));
        byWaybill.insert(waybill, int(lines.size()));
        lines.append({number, waybill, row, {}, {}, {}});
    }
    return lines;
}
