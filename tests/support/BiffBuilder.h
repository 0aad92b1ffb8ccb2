#pragma once
// Builds BIFF8 or BIFF5 workbook streams record by record, for cases no writer makes.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

class BiffBuilder
{
public:
    explicit BiffBuilder(bool biff8 = true) : m_biff8(biff8) {}

    // The kind BOUNDSHEET gives a sheet (by its place, from 0): 0 a worksheet, as all are
    // unless set, 2 a chart.
    BiffBuilder &setSheetType(int sheet, int type)
    {
        m_types.insert(sheet, type);
        return *this;
    }

    static QByteArray u16(int v) { return QByteArray(1, char(v & 0xFF)) + char((v >> 8) & 0xFF); }
    static QByteArray u32(quint32 v) { return u16(int(v & 0xFFFF)) + u16(int(v >> 16)); }
    static QByteArray wide(const QString &text)
    {
        QByteArray bytes;
        for (QChar c : text)
            bytes += u16(c.unicode());
        return bytes;
    }
    static QByteArray record(int id, const QByteArray &data)
    {
        return u16(id) + u16(int(data.size())) + data;
    }

    // Globals: BOF, the given records, one BOUNDSHEET per sheet, EOF; then the sheets.
    QByteArray build(const QByteArray &globals,
                     const QList<QPair<QByteArray, QByteArray>> &sheets) const
    {
        const QByteArray bof =
            record(0x0809, u16(m_biff8 ? 0x0600 : 0x0500) + u16(0x0005) + QByteArray(12, 0));
        QByteArray boundSheets;
        qsizetype boundSheetsSize = 0;
        for (const auto &sheet : sheets)
            boundSheetsSize += boundSheetRecord(0, 0, sheet.first).size();
        qsizetype offset = bof.size() + globals.size() + boundSheetsSize + 4;
        QByteArray bodies;
        for (qsizetype i = 0; i < sheets.size(); ++i) {
            const auto &sheet = sheets[i];
            boundSheets += boundSheetRecord(quint32(offset), m_types.value(int(i)), sheet.first);
            const QByteArray body =
                record(0x0809, u16(m_biff8 ? 0x0600 : 0x0500) + u16(0x0010) + QByteArray(12, 0)) +
                sheet.second + record(0x000A, {});
            bodies += body;
            offset += body.size();
        }
        return bof + globals + boundSheets + record(0x000A, {}) + bodies;
    }

private:
    static QByteArray boundSheetRecord(quint32 offset, int type, const QByteArray &name)
    {
        // 'name' is given already encoded: BIFF8 as option byte and characters.
        return record(0x0085, u32(offset) + char(0) + char(type) + name);
    }
    bool m_biff8;
    QHash<int, int> m_types;
};
