#include "TemplateReader.h"

#include "ReportError.h"
#include "TemplateFormat.h"
#include "platform/QuotedContent.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace TemplateReader {

namespace {

[[noreturn]] void fail(const QString &what)
{
    throw ReportError(what);
}

double number(const QJsonValue &value, const QString &where, double fallback)
{
    if (value.isUndefined())
        return fallback;
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        fail(QStringLiteral("%1 应为数字").arg(where));
    return value.toDouble();
}

QList<double> numbers(const QJsonValue &value, const QString &where, qsizetype expected = -1)
{
    if (!value.isArray())
        fail(QStringLiteral("%1 应为数字列表").arg(where));
    QList<double> list;
    for (const QJsonValue &item : value.toArray()) {
        const double v = number(item, where, 0);
        if (v < 0 || v > 10000)
            fail(QStringLiteral("%1的数值 %2 超出范围").arg(where).arg(v));
        list.append(v);
    }
    if (expected >= 0 && list.size() != expected)
        fail(QStringLiteral("%1 应有 %2 个数").arg(where).arg(expected));
    return list;
}

QColor color(const QJsonValue &value, const QString &where, const QColor &fallback)
{
    if (value.isUndefined())
        return fallback;
    const QColor c = QColor::fromString(value.toString());
    if (!c.isValid())
        fail(QStringLiteral("%1的颜色“%2”无效").arg(where, QuotedContent::of(value.toString())));
    return c;
}

Qt::Alignment alignment(const QJsonObject &object, Qt::Alignment fallback, const QString &where)
{
    const QString h =
        object.value(QStringLiteral("align")).toString(TemplateFormat::horizontalName(fallback));
    const QString v =
        object.value(QStringLiteral("valign")).toString(TemplateFormat::verticalName(fallback));
    Qt::Alignment a;
    if (!TemplateFormat::alignmentFromNames(h, v, a))
        fail(QStringLiteral("%1的对齐方式“%2/%3”无效").arg(where, h, v));
    return a;
}

TextStyle style(const QJsonObject &object, const QString &where)
{
    TextStyle s;
    const QJsonObject font = object.value(QStringLiteral("font")).toObject();
    s.family = font.value(QStringLiteral("family")).toString(s.family);
    s.pointSize =
        number(font.value(QStringLiteral("size")), where + QStringLiteral("的字号"), s.pointSize);
    if (s.pointSize < 1 || s.pointSize > 500)
        fail(QStringLiteral("%1的字号 %2 超出范围").arg(where).arg(s.pointSize));
    s.bold = font.value(QStringLiteral("bold")).toBool();
    s.italic = font.value(QStringLiteral("italic")).toBool();
    s.underline = font.value(QStringLiteral("underline")).toBool();
    s.alignment = alignment(object, s.alignment, where);
    s.lineSpacing = number(object.value(QStringLiteral("lineSpacing")),
                           where + QStringLiteral("的行距"), s.lineSpacing);
    if (s.lineSpacing < 0.5 || s.lineSpacing > 10)
        fail(QStringLiteral("%1的行距 %2 超出范围").arg(where).arg(s.lineSpacing));
    s.color = color(object.value(QStringLiteral("color")), where, s.color);
    s.wrap = object.value(QStringLiteral("wrap")).toBool(s.wrap);
    s.shrinkToFit = font.value(QStringLiteral("fit")).toString() == QLatin1String("shrink");
    s.minPointSize = number(font.value(QStringLiteral("minSize")),
                            where + QStringLiteral("的最小字号"), s.minPointSize);
    if (s.minPointSize < 1 || s.minPointSize > 500)
        fail(QStringLiteral("%1的最小字号 %2 超出范围").arg(where).arg(s.minPointSize));
    return s;
}

ReportElement element(const QJsonObject &object, int index)
{
    const QString where = QStringLiteral("第 %1 个元素").arg(index + 1);
    ReportElement e;
    const QString type = object.value(QStringLiteral("type")).toString();
    if (!TemplateFormat::kindFromName(type, e.kind))
        fail(QStringLiteral("%1的类型“%2”未知").arg(where, QuotedContent::of(type)));
    e.name = object.value(QStringLiteral("name")).toString();
    const QList<double> r =
        numbers(object.value(QStringLiteral("rect")), where + QStringLiteral("的位置"), 4);
    e.rectMm = QRectF(r[0], r[1], r[2], r[3]);
    e.style = style(object, where);
    e.text = object.value(QStringLiteral("text")).toString();
    e.field = object.value(QStringLiteral("field")).toString();
    e.format = object.value(QStringLiteral("format")).toString();
    if (e.kind == ElementKind::SystemValue) {
        const QString value = object.value(QStringLiteral("value")).toString();
        if (!TemplateFormat::systemValueFromName(value, e.systemValue))
            fail(QStringLiteral("%1的系统变量“%2”未知").arg(where, QuotedContent::of(value)));
    }
    e.penWidthMm =
        number(object.value(QStringLiteral("pen")), where + QStringLiteral("的线宽"), e.penWidthMm);
    e.penColor = color(object.value(QStringLiteral("penColor")), where, e.penColor);
    e.fillColor = color(object.value(QStringLiteral("fill")), where, QColor());
    e.dashed = object.value(QStringLiteral("dashed")).toBool();
    e.locked = object.value(QStringLiteral("locked")).toBool();
    const QJsonValue replyArea = object.value(QStringLiteral("replyArea"));
    if (!replyArea.isUndefined() && !replyArea.isBool())
        fail(QStringLiteral("%1的回函区标记应为 true 或 false").arg(where));
    e.replyArea = replyArea.toBool();
    if (e.kind == ElementKind::Table) {
        e.columnWidthsMm =
            numbers(object.value(QStringLiteral("columns")), where + QStringLiteral("的列宽"));
        e.rowHeightsMm =
            numbers(object.value(QStringLiteral("rows")), where + QStringLiteral("的行高"));
        const QJsonArray rows = object.value(QStringLiteral("cells")).toArray();
        if (rows.size() != e.rowHeightsMm.size())
            fail(QStringLiteral("%1的单元格行数与行高个数不一致").arg(where));
        for (const QJsonValue &rowValue : rows) {
            const QJsonArray cells = rowValue.toArray();
            if (cells.size() != e.columnWidthsMm.size())
                fail(QStringLiteral("%1的单元格列数与列宽个数不一致").arg(where));
            QList<TableCell> row;
            for (const QJsonValue &cellValue : cells) {
                const QJsonObject c = cellValue.toObject();
                TableCell cell;
                cell.text = c.value(QStringLiteral("text")).toString();
                cell.alignment = alignment(c, cell.alignment, where);
                cell.bold = c.value(QStringLiteral("bold")).toBool();
                row.append(cell);
            }
            e.cells.append(row);
        }
    }
    if (e.kind == ElementKind::Barcode) {
        const QString symbology =
            object.value(QStringLiteral("symbology")).toString(QStringLiteral("qr"));
        if (symbology == QLatin1String("qr"))
            e.symbology = BarcodeSymbology::QrCode;
        else if (symbology == QLatin1String("code128"))
            e.symbology = BarcodeSymbology::Code128;
        else
            fail(QStringLiteral("%1的条码类型“%2”未知").arg(where, QuotedContent::of(symbology)));
        const QString level = object.value(QStringLiteral("ecc")).toString(QStringLiteral("M"));
        e.qrLevel = int(QStringLiteral("LMQH").indexOf(level));
        if (level.size() != 1 || e.qrLevel < 0)
            fail(QStringLiteral("%1的纠错等级“%2”无效").arg(where, QuotedContent::of(level)));
        e.quietZone = object.value(QStringLiteral("quietZone")).toInt(e.quietZone);
        if (e.quietZone < 0 || e.quietZone > 20)
            fail(QStringLiteral("%1的静区 %2 超出范围").arg(where).arg(e.quietZone));
    }
    if (e.kind == ElementKind::Picture) {
        const auto decoded = QByteArray::fromBase64Encoding(
            object.value(QStringLiteral("image")).toString().toLatin1(),
            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            fail(QStringLiteral("%1的图片数据无效").arg(where));
        e.imageData = *decoded;
        e.keepAspect = object.value(QStringLiteral("keepAspect")).toBool(true);
    }
    return e;
}

// Free 回函区: each a rectangle of positive size on the paper.
QList<QRectF> replyAreas(const QJsonValue &value, const PageSetup &page)
{
    if (value.isUndefined())
        return {};
    if (!value.isArray())
        fail(QStringLiteral("回函区 应为列表"));
    QList<QRectF> areas;
    const QJsonArray list = value.toArray();
    for (int i = 0; i < list.size(); ++i) {
        const QString where = QStringLiteral("第 %1 个回函区").arg(i + 1);
        const QList<double> r = numbers(list[i], where, 4);
        const QRectF area(r[0], r[1], r[2], r[3]);
        if (area.width() <= 0 || area.height() <= 0)
            fail(QStringLiteral("%1的宽度和高度应大于 0").arg(where));
        // A hundredth of a millimetre of slack: the writer rounds to that.
        constexpr double slack = 0.01;
        if (area.right() > page.pageWidthMm() + slack ||
            area.bottom() > page.pageHeightMm() + slack)
            fail(QStringLiteral("%1（%2, %3 起，%4×%5 毫米）超出纸张")
                     .arg(where)
                     .arg(r[0])
                     .arg(r[1])
                     .arg(r[2])
                     .arg(r[3]));
        areas.append(area);
    }
    return areas;
}

// What is wrong, in the user's words; Qt's own English words follow as the detail.
QString syntaxProblem(QJsonParseError::ParseError error)
{
    switch (error) {
    case QJsonParseError::UnterminatedObject:
        return QStringLiteral("对象没有结束");
    case QJsonParseError::MissingNameSeparator:
        return QStringLiteral("名称后缺少冒号");
    case QJsonParseError::UnterminatedArray:
        return QStringLiteral("列表没有结束");
    case QJsonParseError::MissingValueSeparator:
        return QStringLiteral("值之间缺少逗号");
    case QJsonParseError::IllegalValue:
        return QStringLiteral("值无效");
    case QJsonParseError::TerminationByNumber:
        return QStringLiteral("文件在数字处意外结束");
    case QJsonParseError::IllegalNumber:
        return QStringLiteral("数字无效");
    case QJsonParseError::IllegalEscapeSequence:
        return QStringLiteral("转义序列无效");
    case QJsonParseError::IllegalUTF8String:
        return QStringLiteral("文字不是有效的 UTF-8");
    case QJsonParseError::UnterminatedString:
        return QStringLiteral("文字没有结束");
    case QJsonParseError::MissingObject:
        return QStringLiteral("缺少对象");
    case QJsonParseError::DeepNesting:
        return QStringLiteral("嵌套层次过深");
    case QJsonParseError::DocumentTooLarge:
        return QStringLiteral("文件过大");
    case QJsonParseError::GarbageAtEnd:
        return QStringLiteral("结尾有多余的内容");
    default:
        return QStringLiteral("无法解析");
    }
}

} // namespace

ReportTemplate fromJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        const int line = int(json.left(error.offset).count('\n')) + 1;
        fail(QStringLiteral("第 %1 行有格式错误，%2：%3")
                 .arg(line)
                 .arg(syntaxProblem(error.error), error.errorString()));
    }
    const QJsonObject root = document.object();
    if (!document.isObject() ||
        root.value(QStringLiteral("format")).toString() != TemplateFormat::Identity)
        fail(QStringLiteral("不是本程序的打印模板"));
    const int version = root.value(QStringLiteral("version")).toInt(0);
    if (version < 1)
        fail(QStringLiteral("模板格式版本无效"));
    if (version > TemplateFormat::Version)
        fail(QStringLiteral("模板格式版本 %1 高于本程序支持的版本 %2，请升级程序")
                 .arg(version)
                 .arg(TemplateFormat::Version));

    ReportTemplate report;
    report.title = root.value(QStringLiteral("title")).toString();
    const QJsonObject page = root.value(QStringLiteral("page")).toObject();
    PageSetup &p = report.page;
    p.widthMm = number(page.value(QStringLiteral("width")), QStringLiteral("纸张宽度"), p.widthMm);
    p.heightMm =
        number(page.value(QStringLiteral("height")), QStringLiteral("纸张高度"), p.heightMm);
    if (p.widthMm < 10 || p.heightMm < 10 || p.widthMm > 2000 || p.heightMm > 2000)
        fail(QStringLiteral("纸张大小 %1×%2 毫米超出范围").arg(p.widthMm).arg(p.heightMm));
    p.landscape = page.value(QStringLiteral("landscape")).toBool();
    if (page.contains(QStringLiteral("margins"))) {
        const QList<double> m =
            numbers(page.value(QStringLiteral("margins")), QStringLiteral("页边距"), 4);
        p.marginLeftMm = m[0], p.marginTopMm = m[1], p.marginRightMm = m[2],
        p.marginBottomMm = m[3];
    }
    if (page.contains(QStringLiteral("band"))) {
        const QList<double> band =
            numbers(page.value(QStringLiteral("band")), QStringLiteral("明细区"), 2);
        report.band = {band[0], band[1]};
        if (band[0] + band[1] > p.pageHeightMm())
            fail(QStringLiteral("明细区（%1 毫米起，高 %2 毫米）超出纸张")
                     .arg(band[0])
                     .arg(band[1]));
    }
    report.replyAreas = replyAreas(page.value(QStringLiteral("replyAreas")), p);
    const QJsonArray fields = root.value(QStringLiteral("fields")).toArray();
    for (const QJsonValue &value : fields) {
        FieldDeclaration field;
        field.name = value.toObject().value(QStringLiteral("name")).toString();
        const QString type =
            value.toObject().value(QStringLiteral("type")).toString(QStringLiteral("text"));
        if (field.name.isEmpty())
            fail(QStringLiteral("有字段没有名称"));
        if (!TemplateFormat::fieldTypeFromName(type, field.type))
            fail(QStringLiteral("字段“%1”的类型“%2”未知")
                     .arg(QuotedContent::of(field.name), QuotedContent::of(type)));
        if (report.fieldIndex(field.name) >= 0)
            fail(QStringLiteral("字段“%1”重复").arg(QuotedContent::of(field.name)));
        report.fields.append(field);
    }
    const QJsonArray elements = root.value(QStringLiteral("elements")).toArray();
    for (int i = 0; i < elements.size(); ++i) {
        if (!elements[i].isObject())
            fail(QStringLiteral("第 %1 个元素无效").arg(i + 1));
        report.elements.append(element(elements[i].toObject(), i));
    }
    return report;
}

} // namespace TemplateReader
