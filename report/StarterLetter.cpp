#include "StarterLetter.h"

#include "RecordFetch.h"
#include "TemplateLocations.h"

namespace StarterLetter {

namespace {

ReportElement text(const char *name, const QRectF &rectMm, const QString &text,
                   double pointSize = 12, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop,
                   bool bold = false)
{
    ReportElement element;
    element.kind = ElementKind::Text;
    element.name = QString::fromUtf8(name);
    element.rectMm = rectMm;
    element.text = text;
    element.style.pointSize = pointSize;
    element.style.alignment = alignment;
    element.style.bold = bold;
    return element;
}

} // namespace

ReportTemplate make()
{
    ReportTemplate letter;
    letter.title = QStringLiteral("企业询证函");
    letter.page.marginLeftMm = letter.page.marginRightMm = 25;
    letter.fields = {{RecordFetch::Customer, FieldType::Text},
                     {RecordFetch::CutOffDate, FieldType::Date},
                     {RecordFetch::Amount, FieldType::Number},
                     {RecordFetch::LetterNumber, FieldType::Text}};
    const double width = letter.page.pageWidthMm() - 50;
    letter.elements = {
        text("标题", QRectF(25, 25, width, 12), QStringLiteral("企业询证函"), 18,
             Qt::AlignHCenter | Qt::AlignTop, true),
        text("编号", QRectF(25, 40, width, 7), QStringLiteral("编号：{函编号}"), 10.5,
             Qt::AlignRight | Qt::AlignTop),
        text("客户", QRectF(25, 52, width, 8), QStringLiteral("{客户单位}：")),
        text("正文", QRectF(25, 62, width, 40),
             QStringLiteral("　　本公司聘请的会计师事务所正在对本公司财务报表进行审计。"
                            "按照中国注册会计师审计准则的要求，应当询证本公司与贵公司的往来账项。"
                            "截至{截止日期:yyyy年M月d日}，本公司账面记录贵公司欠款为人民币"
                            "{应收金额:#,##0.00}元（大写：{应收金额:大写}）。"
                            "如与贵公司记录相符，请在本函下端“信息证明无误”处签章证明；"
                            "如有不符，请在“信息不符”处列明不符金额。")),
        text("落款", QRectF(25, 110, width, 16),
             QStringLiteral("（公司盖章）\n{#打印日期:yyyy年M月d日}"), 12,
             Qt::AlignRight | Qt::AlignTop),
    };
    return letter;
}

bool standsInFor(const QString &name)
{
    return TemplateLocations::shippedLetters().contains(name) ||
           !TemplateLocations::shippedNames().contains(name);
}

} // namespace StarterLetter
