#include "ElementProperties.h"

#include "DesignOperations.h"

namespace ElementProperties {

namespace {

bool anyKind(ElementKind)
{
    return true;
}
bool textLike(ElementKind k)
{
    return k == ElementKind::Text || k == ElementKind::Field || k == ElementKind::SystemValue ||
           k == ElementKind::Table;
}
bool barcode(ElementKind k)
{
    return k == ElementKind::Barcode;
}
bool ruled(ElementKind k)
{
    return k == ElementKind::Line || k == ElementKind::Rectangle || k == ElementKind::Table;
}
bool dashable(ElementKind k)
{
    return k == ElementKind::Line || k == ElementKind::Rectangle;
}
bool fillable(ElementKind k)
{
    return k == ElementKind::Rectangle;
}
bool fieldBox(ElementKind k)
{
    return k == ElementKind::Field;
}
bool systemValue(ElementKind k)
{
    return k == ElementKind::SystemValue;
}

void setRect(ReportElement &e, const QRectF &r)
{
    e = DesignOperations::withRect(e, r);
}

const Qt::Alignment kHorizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                     Qt::AlignJustify};
const Qt::Alignment kVertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};

int horizontalIndex(Qt::Alignment a)
{
    const Qt::Alignment h = a & Qt::AlignHorizontal_Mask;
    return h & Qt::AlignJustify ? 3 : h & Qt::AlignHCenter ? 1 : h & Qt::AlignRight ? 2 : 0;
}

int verticalIndex(Qt::Alignment a)
{
    const Qt::Alignment v = a & Qt::AlignVertical_Mask;
    return v & Qt::AlignVCenter ? 1 : v & Qt::AlignBottom ? 2 : 0;
}

QList<Property> makeAll()
{
    using E = Editor;
    using G = Group;
    // Captureless lambdas as plain functions: one line a property.
    return {
        {"spnLeft",
         "左：",
         "左边距页面左边的距离（毫米）",
         "修改位置和大小",
         G::Geometry,
         E::Millimetres,
         anyKind,
         [](const ReportElement &e) { return QVariant(e.rectMm.x()); },
         [](ReportElement &e, const QVariant &v) {
             setRect(e, e.rectMm.translated(v.toDouble() - e.rectMm.x(), 0));
         },
         Items::Fixed,
         {},
         true},
        {"spnTop",
         "上：",
         "上边距页面上边的距离（毫米）",
         "修改位置和大小",
         G::Geometry,
         E::Millimetres,
         anyKind,
         [](const ReportElement &e) { return QVariant(e.rectMm.y()); },
         [](ReportElement &e, const QVariant &v) {
             setRect(e, e.rectMm.translated(0, v.toDouble() - e.rectMm.y()));
         },
         Items::Fixed,
         {},
         true},
        {"spnWidth",
         "宽：",
         "宽度（毫米）",
         "修改位置和大小",
         G::Geometry,
         E::Size,
         anyKind,
         [](const ReportElement &e) { return QVariant(e.rectMm.width()); },
         [](ReportElement &e, const QVariant &v) {
             const double height =
                 DesignOperations::keepsSquare(e) ? v.toDouble() : e.rectMm.height();
             setRect(e, QRectF(e.rectMm.topLeft(), QSizeF(v.toDouble(), height)));
         },
         Items::Fixed,
         {},
         true},
        {"spnHeight",
         "高：",
         "高度（毫米）",
         "修改位置和大小",
         G::Geometry,
         E::Size,
         anyKind,
         [](const ReportElement &e) { return QVariant(e.rectMm.height()); },
         [](ReportElement &e, const QVariant &v) {
             const double width =
                 DesignOperations::keepsSquare(e) ? v.toDouble() : e.rectMm.width();
             setRect(e, QRectF(e.rectMm.topLeft(), QSizeF(width, v.toDouble())));
         },
         Items::Fixed,
         {},
         true},
        {"edtName", "名称：", "元素名称", "修改名称", G::Geometry, E::Line, anyKind,
         [](const ReportElement &e) { return QVariant(e.name); },
         [](ReportElement &e, const QVariant &v) { e.name = v.toString(); }},
        {"chkLocked", "锁定（不能移动）", "锁定后不能用鼠标或方向键移动，也不会被框选", "锁定",
         G::Geometry, E::Check, anyKind, [](const ReportElement &e) { return QVariant(e.locked); },
         [](ReportElement &e, const QVariant &v) { e.locked = v.toBool(); }},
        {"chkReplyArea", "回函区", "被询证单位填写、签章的地方：核对回函时不比较这里", "回函区",
         G::Geometry, E::Check, anyKind,
         [](const ReportElement &e) { return QVariant(e.replyArea); },
         [](ReportElement &e, const QVariant &v) { e.replyArea = v.toBool(); }},

        {"cbbField", "字段：", "显示的字段", "修改字段", G::Field, E::Choice, fieldBox,
         [](const ReportElement &e) { return QVariant(e.field); },
         [](ReportElement &e, const QVariant &v) { e.field = v.toString(); }, Items::FieldNames},
        {"cbbFieldFormat", "格式：", "字段的显示格式", "修改格式", G::Field, E::EditableChoice,
         fieldBox, [](const ReportElement &e) { return QVariant(e.format); },
         [](ReportElement &e, const QVariant &v) { e.format = v.toString(); }, Items::FieldFormats},
        {"cbbSystemValue",
         "变量：",
         "显示的系统变量",
         "修改系统变量",
         G::System,
         E::Choice,
         systemValue,
         [](const ReportElement &e) { return QVariant(int(e.systemValue)); },
         [](ReportElement &e, const QVariant &v) {
             e.systemValue = SystemValueKind(std::clamp(v.toInt(), 0, 2));
         },
         Items::Fixed,
         {QStringLiteral("页码"), QStringLiteral("总页数"), QStringLiteral("打印日期")}},
        {"cbbSystemFormat", "格式：", "日期的显示格式", "修改格式", G::System, E::EditableChoice,
         systemValue, [](const ReportElement &e) { return QVariant(e.format); },
         [](ReportElement &e, const QVariant &v) { e.format = v.toString(); }, Items::DateFormats},

        {"cbbFontFamily", "字体：", "字体", "修改字体", G::Font, E::EditableChoice, textLike,
         [](const ReportElement &e) { return QVariant(e.style.family); },
         [](ReportElement &e, const QVariant &v) {
             if (!v.toString().trimmed().isEmpty())
                 e.style.family = v.toString().trimmed();
         },
         Items::Families},
        {"spnFontSize", "字号：", "字号（磅）", "修改字号", G::Font, E::Points, textLike,
         [](const ReportElement &e) { return QVariant(e.style.pointSize); },
         [](ReportElement &e, const QVariant &v) { e.style.pointSize = v.toDouble(); }},
        {"chkBold", "粗体", "粗体", "粗体", G::Font, E::Check, textLike,
         [](const ReportElement &e) { return QVariant(e.style.bold); },
         [](ReportElement &e, const QVariant &v) { e.style.bold = v.toBool(); }},
        {"chkItalic", "斜体", "斜体", "斜体", G::Font, E::Check, textLike,
         [](const ReportElement &e) { return QVariant(e.style.italic); },
         [](ReportElement &e, const QVariant &v) { e.style.italic = v.toBool(); }},
        {"chkUnderline", "下划线", "下划线", "下划线", G::Font, E::Check, textLike,
         [](const ReportElement &e) { return QVariant(e.style.underline); },
         [](ReportElement &e, const QVariant &v) { e.style.underline = v.toBool(); }},
        {"chkWrap", "自动换行", "文字超出宽度时自动换行", "自动换行", G::Font, E::Check, textLike,
         [](const ReportElement &e) { return QVariant(e.style.wrap); },
         [](ReportElement &e, const QVariant &v) { e.style.wrap = v.toBool(); }},
        {"cbbFit",
         "适应：",
         "文字放不下时：不调整，或自动缩小字号直到放下",
         "修改适应方式",
         G::Font,
         E::Choice,
         textLike,
         [](const ReportElement &e) { return QVariant(e.style.shrinkToFit ? 1 : 0); },
         [](ReportElement &e, const QVariant &v) { e.style.shrinkToFit = v.toInt() == 1; },
         Items::Fixed,
         {QStringLiteral("不调整"), QStringLiteral("自动缩小")}},
        {"spnMinFontSize", "最小字号：", "自动缩小时的最小字号（磅）", "修改最小字号", G::Font,
         E::Points, textLike, [](const ReportElement &e) { return QVariant(e.style.minPointSize); },
         [](ReportElement &e, const QVariant &v) { e.style.minPointSize = v.toDouble(); }},
        {"cbbAlignHorizontal",
         "水平：",
         "水平对齐",
         "修改对齐",
         G::Font,
         E::Choice,
         textLike,
         [](const ReportElement &e) { return QVariant(horizontalIndex(e.style.alignment)); },
         [](ReportElement &e, const QVariant &v) {
             e.style.alignment = (e.style.alignment & ~Qt::AlignHorizontal_Mask) |
                                 kHorizontal[std::clamp(v.toInt(), 0, 3)];
         },
         Items::Fixed,
         {QStringLiteral("左对齐"), QStringLiteral("居中"), QStringLiteral("右对齐"),
          QStringLiteral("两端对齐")}},
        {"cbbAlignVertical",
         "垂直：",
         "垂直对齐",
         "修改对齐",
         G::Font,
         E::Choice,
         textLike,
         [](const ReportElement &e) { return QVariant(verticalIndex(e.style.alignment)); },
         [](ReportElement &e, const QVariant &v) {
             e.style.alignment = (e.style.alignment & ~Qt::AlignVertical_Mask) |
                                 kVertical[std::clamp(v.toInt(), 0, 2)];
         },
         Items::Fixed,
         {QStringLiteral("顶端"), QStringLiteral("居中"), QStringLiteral("底端")}},
        {"spnLineSpacing", "行距：", "行距（倍）", "修改行距", G::Font, E::Spacing, textLike,
         [](const ReportElement &e) { return QVariant(e.style.lineSpacing); },
         [](ReportElement &e, const QVariant &v) { e.style.lineSpacing = v.toDouble(); }},
        {"btnTextColour", "颜色：", "文字颜色", "修改颜色", G::Font, E::Colour, textLike,
         [](const ReportElement &e) { return QVariant(e.style.color); },
         [](ReportElement &e, const QVariant &v) { e.style.color = v.value<QColor>(); }},

        {"cbbSymbology",
         "码制：",
         "条码的码制",
         "修改码制",
         G::Barcode,
         E::Choice,
         barcode,
         [](const ReportElement &e) { return QVariant(int(e.symbology)); },
         [](ReportElement &e, const QVariant &v) {
             e.symbology = v.toInt() == 1 ? BarcodeSymbology::Code128 : BarcodeSymbology::QrCode;
         },
         Items::Fixed,
         {QStringLiteral("二维码（QR）"), QStringLiteral("Code 128")}},
        {"cbbQrLevel",
         "纠错：",
         "二维码的纠错等级",
         "修改纠错等级",
         G::Barcode,
         E::Choice,
         barcode,
         [](const ReportElement &e) { return QVariant(e.qrLevel); },
         [](ReportElement &e, const QVariant &v) { e.qrLevel = std::clamp(v.toInt(), 0, 3); },
         Items::Fixed,
         {QStringLiteral("L（约 7%）"), QStringLiteral("M（约 15%）"),
          QStringLiteral("Q（约 25%）"), QStringLiteral("H（约 30%）")}},
        {"cbbQuietZone",
         "静区：",
         "条码四周留白的宽度（模块数）",
         "修改静区",
         G::Barcode,
         E::Choice,
         barcode,
         [](const ReportElement &e) { return QVariant(e.quietZone); },
         [](ReportElement &e, const QVariant &v) { e.quietZone = std::clamp(v.toInt(), 0, 8); },
         Items::Fixed,
         {QStringLiteral("0 模块"), QStringLiteral("1 模块"), QStringLiteral("2 模块"),
          QStringLiteral("3 模块"), QStringLiteral("4 模块"), QStringLiteral("5 模块"),
          QStringLiteral("6 模块"), QStringLiteral("7 模块"), QStringLiteral("8 模块")}},

        {"spnPenWidth", "线宽：", "线宽（毫米）", "修改线宽", G::Line, E::PenWidth, ruled,
         [](const ReportElement &e) { return QVariant(e.penWidthMm); },
         [](ReportElement &e, const QVariant &v) { e.penWidthMm = v.toDouble(); }},
        {"btnPenColour", "颜色：", "线条颜色", "修改颜色", G::Line, E::Colour, ruled,
         [](const ReportElement &e) { return QVariant(e.penColor); },
         [](ReportElement &e, const QVariant &v) { e.penColor = v.value<QColor>(); }},
        {"chkDashed", "虚线", "虚线", "虚线", G::Line, E::Check, dashable,
         [](const ReportElement &e) { return QVariant(e.dashed); },
         [](ReportElement &e, const QVariant &v) { e.dashed = v.toBool(); }},
        {"btnFillColour", "填充：", "填充颜色", "修改填充", G::Line, E::Colour, fillable,
         [](const ReportElement &e) { return QVariant(e.fillColor); },
         [](ReportElement &e, const QVariant &v) { e.fillColor = v.value<QColor>(); }},
        {"chkNoFill", "不填充", "矩形不填充颜色", "修改填充", G::Line, E::Check, fillable,
         [](const ReportElement &e) { return QVariant(!e.fillColor.isValid()); },
         [](ReportElement &e, const QVariant &v) {
             if (v.toBool())
                 e.fillColor = QColor();
             else if (!e.fillColor.isValid())
                 e.fillColor = Qt::white;
         }},
    };
}

} // namespace

const QList<Property> &all()
{
    static const QList<Property> properties = makeAll();
    return properties;
}

const char *groupTitle(Group group)
{
    switch (group) {
    case Group::Geometry:
        return "位置和大小";
    case Group::Field:
        return "字段";
    case Group::System:
        return "系统变量";
    case Group::Font:
        return "字体";
    case Group::Barcode:
        return "条码";
    case Group::Line:
        break;
    }
    return "线条和填充";
}

QVariant common(const Property &property, const QList<ReportElement> &elements)
{
    QVariant value;
    for (const ReportElement &element : elements) {
        if (!property.appliesTo(element.kind))
            continue;
        const QVariant v = property.get(element);
        if (!value.isValid())
            value = v;
        else if (value != v)
            return QVariant();
    }
    return value;
}

void apply(const Property &property, QList<ReportElement> &elements, const QVariant &value)
{
    for (ReportElement &element : elements)
        if (property.appliesTo(element.kind) && !(property.geometry && element.locked))
            property.set(element, value);
}

const QList<PageProperty> &pageMeasures()
{
    static const QList<PageProperty> measures{
        {"spnPaperWidth", "宽度：", "纸张宽度（毫米），按纸张方向", 10,
         [](const PageSetup &p) { return p.pageWidthMm(); },
         [](PageSetup &p, double v) { (p.landscape ? p.heightMm : p.widthMm) = v; }},
        {"spnPaperHeight", "高度：", "纸张高度（毫米），按纸张方向", 10,
         [](const PageSetup &p) { return p.pageHeightMm(); },
         [](PageSetup &p, double v) { (p.landscape ? p.widthMm : p.heightMm) = v; }},
        {"spnMarginLeft", "左边距：", "左页边距（毫米）", 0,
         [](const PageSetup &p) { return p.marginLeftMm; },
         [](PageSetup &p, double v) { p.marginLeftMm = v; }},
        {"spnMarginTop", "上边距：", "上页边距（毫米）", 0,
         [](const PageSetup &p) { return p.marginTopMm; },
         [](PageSetup &p, double v) { p.marginTopMm = v; }},
        {"spnMarginRight", "右边距：", "右页边距（毫米）", 0,
         [](const PageSetup &p) { return p.marginRightMm; },
         [](PageSetup &p, double v) { p.marginRightMm = v; }},
        {"spnMarginBottom", "下边距：", "下页边距（毫米）", 0,
         [](const PageSetup &p) { return p.marginBottomMm; },
         [](PageSetup &p, double v) { p.marginBottomMm = v; }},
    };
    return measures;
}

} // namespace ElementProperties
