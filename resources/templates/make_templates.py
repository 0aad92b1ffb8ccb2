#!/usr/bin/python3
"""Writes the templates shipped in the program directory: the two letters, the second request,
the envelope and the dispatch list. The .grf files are the product; this script keeps the
letters' shared layout in one place."""
import copy
import json
import os

HERE = os.path.dirname(os.path.abspath(__file__))
SONG = "宋体"
HEI = "黑体"


def text(rect, value, size=12, family=SONG, bold=False, align=None, valign=None, spacing=None, name=None,
         shrink=False, reply=False):
    # The Song face has no bold weight: emphasis is set in the Hei face, as print shops do.
    if bold:
        family = HEI
    element = {"type": "text", "rect": rect, "text": value}
    font = {}
    if family != SONG:
        font["family"] = family
    if size != 12:
        font["size"] = size
    if bold:
        font["bold"] = True
    if shrink:
        font["fit"] = "shrink"
    if font:
        element["font"] = font
    if align:
        element["align"] = align
    if valign:
        element["valign"] = valign
    if spacing:
        element["lineSpacing"] = spacing
    if name:
        element["name"] = name
    if shrink:
        # One line, smaller as needed; more lines only below the smallest size.
        element["wrap"] = False
    return replied(element, reply)


def replied(element, reply):
    """Marks an element as a reply area (回函区): where the respondent writes, stamps or signs,
    left out when a scanned reply is compared with the letter as sent."""
    if reply:
        element["replyArea"] = True
    return element


def line(x1, y1, x2, y2, pen=None, dashed=False, reply=False):
    element = {"type": "line", "rect": [x1, y1, x2 - x1, y2 - y1]}
    if pen:
        element["pen"] = pen
    if dashed:
        element["dashed"] = True
    return replied(element, reply)


def rectangle(rect, pen=None, fill=None, name=None, reply=False):
    element = {"type": "rectangle", "rect": rect}
    if pen is not None:
        element["pen"] = pen
    if fill:
        element["fill"] = fill
    if name:
        element["name"] = name
    return replied(element, reply)


def cell(value="", align="center", bold=False):
    c = {"align": align}
    if value:
        c["text"] = value
    if bold:
        c["bold"] = True
    return c


# The client's seal and date (盖章, 日期 at x 120..190, y 166..181), widened for a round company
# seal (about 40 mm across). It starts below the 说明 box (y 146..161), not at y 150: that
# text is the letter's own and is compared; a seal reaching up into it shows as a difference
# there, for a person to look at, rather than hiding a changed text.
CLIENT_SEAL = [115, 161, 80, 24]


def letter(kind, item, headers, amount_column, capital_label, note):
    amount = "{应收金额:#,##0.00}"
    data_row = [cell("{截止日期:yyyy年M月d日}"), cell(), cell(), cell()]
    data_row[amount_column] = cell(amount, align="right")
    elements = [
        # Centred boxes clear of the letter's code in the top left corner.
        text([45, 18, 120, 11], "企业询证函", size=22, family=HEI, bold=True, align="center", name="标题"),
        text([45, 29, 120, 7], f"（{kind}）", size=12, family=HEI, align="center", name="类别"),
        text([110, 38, 80, 6], "编号：{函编号}", size=10.5, align="right", name="函编号"),
        # The letter's code, for its reply to be found by scanning: the letter number with a
        # keyed check the program adds, never an amount or a name. The number under it is
        # printed plain.
        {"type": "barcode", "rect": [20, 14, 18, 18], "text": "{函证码}", "symbology": "qr",
         "name": "函证码"},
        text([16, 32, 26, 4], "{函编号}", size=7, align="center", name="函证码编号"),
        text([20, 46, 170, 7], "{客户单位}：", size=12, bold=True, name="客户单位", shrink=True),
        text([20, 55, 170, 38],
             "　　本公司聘请的会计师事务所正在对本公司财务报表进行审计。按照中国注册会计师审计准则的要求，"
             "应当询证本公司与贵公司的往来账项等事项。下列数据出自本公司账簿记录，如与贵公司记录相符，"
             "请在本函下端“数据证明无误”处签章证明；如有不符，请在“数据不符”处列明不符项目及具体内容。"
             "回函请直接寄至本公司聘请的会计师事务所。",
             align="justify", spacing=1.6, name="正文"),
        text([20, 95, 120, 7], item, name="事项一"),
        text([130, 95.5, 60, 6], "金额单位：人民币元", size=10.5, align="right"),
        {"type": "table", "rect": [20, 103, 170, 22], "name": "往来账项",
         "columns": [38, 48, 48, 36], "rows": [10, 12],
         "cells": [[cell(h, bold=True) for h in headers], data_row],
         "font": {"fit": "shrink"}, "wrap": False},
        text([20, 128, 170, 7], capital_label + "{应收金额:大写}", name="大写金额", shrink=True),
        text([20, 137, 170, 7], "2. 其他事项：无。", name="事项二"),
        text([20, 146, 170, 15], note, align="justify", spacing=1.6, name="说明"),
        # The reply block: labels, and ruled blanks the firm fills in once in the designer; on
        # the five-millimetre grid, so it does not crowd the designer's snapping. Reply areas:
        # the blanks are often filled in by hand, and by the respondent as well.
        text([20, 165, 20, 5], "回函地址：", size=9, name="回函地址", reply=True),
        line(40, 170, 110, 170, pen=0.2, reply=True),
        text([20, 170, 10, 5], "邮编：", size=9, name="回函邮编", reply=True),
        line(30, 175, 55, 175, pen=0.2, reply=True),
        text([60, 170, 10, 5], "电话：", size=9, name="回函电话", reply=True),
        line(70, 175, 110, 175, pen=0.2, reply=True),
        text([20, 175, 10, 5], "传真：", size=9, name="回函传真", reply=True),
        line(30, 180, 55, 180, pen=0.2, reply=True),
        text([60, 175, 15, 5], "联系人：", size=9, name="回函联系人", reply=True),
        line(75, 180, 110, 180, pen=0.2, reply=True),
        text([120, 166, 70, 7], "（公司盖章）", align="center", name="盖章"),
        text([120, 174, 70, 7], "{#打印日期:yyyy年M月d日}", align="center", name="日期"),
        line(20, 186, 190, 186, dashed=True),
        rectangle([72, 183, 66, 6], pen=0, fill="#ffffff"),
        text([72, 183, 66, 6], "以下由被询证单位填写", size=10.5, align="center", valign="middle"),
        # The two answers, ticked, written in, signed and stamped by the respondent: reply areas
        # with all they hold.
        rectangle([20, 192, 83, 82], name="数据证明无误", reply=True),
        rectangle([107, 192, 83, 82], name="数据不符", reply=True),
        text([24, 196, 75, 7], "1. 数据证明无误。", bold=True, name="结论一", reply=True),
        text([111, 196, 75, 14], "2. 数据不符，请列明不符项目：", bold=True, name="结论二", reply=True),
    ]
    for y in (216, 225, 234, 243):
        elements.append(line(111, y, 186, y, pen=0.2, reply=True))
    for x in (24, 111):
        elements.append(text([x, 249, 75, 7], "（被询证单位盖章）", align="center", reply=True))
        elements.append(text([x, 257, 75, 7], "年　　月　　日", align="center", reply=True))
        elements.append(text([x, 265, 75, 7], "经办人：", reply=True))
    elements.append(text([20, 278, 170, 6], "请于收到本函后十日内回复，谢谢合作。", size=9, align="center"))
    return {
        "format": "roviradavev-report-template",
        # Version 3: reply areas, which older programs would drop on saving.
        "version": 3,
        "title": f"{kind}确认函",
        "page": {"width": 210, "height": 297, "margins": [20, 18, 20, 18],
                 "replyAreas": [CLIENT_SEAL]},
        "fields": [
            {"name": "客户单位", "type": "text"},
            {"name": "截止日期", "type": "date"},
            {"name": "应收金额", "type": "number"},
            {"name": "函编号", "type": "text"},
            # Filled by the program: the number and its keyed check.
            {"name": "函证码", "type": "text"},
        ],
        "elements": elements,
    }


def envelope():
    """A DL envelope (220 × 110 mm) addressed from the columns 邮编, 地址 and 联系人."""
    postcode = {"type": "table", "rect": [12, 10, 54, 10], "font": {"size": 14},
                "columns": [9] * 6, "rows": [10],
                "cells": [[{"text": "{邮编:第%d字}" % (i + 1), "align": "center", "valign": "middle"}
                           for i in range(6)]],
                "name": "邮编"}
    elements = [
        postcode,
        {"type": "rectangle", "rect": [186, 8, 24, 28], "name": "贴邮票处框"},
        text([186, 17, 24, 10], "贴邮票处", size=9, align="center", name="贴邮票处"),
        text([20, 28, 160, 9], "{地址}", size=14, name="地址", shrink=True),
        text([20, 44, 180, 14], "{客户单位}", size=20, bold=True, align="center", name="客户单位", shrink=True),
        text([20, 61, 180, 9], "{联系人}　收", size=14, align="center", name="联系人", shrink=True),
        line(100, 86, 210, 86),
        text([100, 88, 110, 7], "寄件人：________________________　邮政编码：__________", size=10.5,
             align="right", name="寄件人"),
    ]
    return {
        "format": "roviradavev-report-template",
        "version": 1,
        "title": "信封",
        "page": {"width": 220, "height": 110, "margins": [10, 10, 10, 10]},
        # The four receivables fields come with every template the letter run reads.
        "fields": [{"name": n, "type": t} for n, t in (
            ("客户单位", "text"), ("截止日期", "date"), ("应收金额", "number"), ("函编号", "text"),
            ("邮编", "text"), ("地址", "text"), ("联系人", "text"))],
        "elements": elements,
    }


RECEIVABLES_FIELDS = (("客户单位", "text"), ("截止日期", "date"), ("应收金额", "number"), ("函编号", "text"))


def second_request(receivable):
    """第二次询证函: the receivable letter asking again, naming the first letter by its number and
    the day it left. Its own number (the first one's with a suffix) is in 函编号 and its code,
    by the letters' rule."""
    request = copy.deepcopy(receivable)
    request["title"] = "第二次询证函"
    request["fields"] += [{"name": "原函编号", "type": "text"}, {"name": "原函日期", "type": "date"}]
    for element in request["elements"]:
        name = element.get("name")
        if name == "标题":
            element["text"] = "企业询证函（第二次）"
        elif name == "类别":
            element["text"] = "（应收帐款）"
        elif name == "正文":
            element["text"] = (
                "　　本公司于{原函日期:yyyy年M月d日}向贵公司寄发编号为{原函编号}的询证函，至今未收到贵公司回函，"
                "现再次函询。本公司聘请的会计师事务所正在对本公司财务报表进行审计，按照中国注册会计师审计准则的要求，"
                "应当询证本公司与贵公司的往来账项等事项。下列数据出自本公司账簿记录，如与贵公司记录相符，"
                "请在本函下端“数据证明无误”处签章证明；如有不符，请在“数据不符”处列明不符项目及具体内容。"
                "回函请直接寄至本公司聘请的会计师事务所。")
            element["font"] = {"size": 11}
            element["lineSpacing"] = 1.4
    request["elements"].append(
        text([20, 38, 88, 6], "原函编号：{原函编号}", size=10.5, name="原函编号"))
    return request


def dispatch_list():
    """发函清单: the letters handed to the courier, one ruled row each, as many a landscape page
    as fit above the signatures at its foot."""
    columns = [14, 36, 66, 99, 24, 28]  # 267 mm between the margins
    headers = ["序号", "函证编号", "被询证单位", "地址", "发函方式", "快递单号"]
    values = ["{序号}", "{函证编号}", "{被询证单位}", "{地址}", "{发函方式}", "{快递单号}"]
    band_top, row = 42, 9
    elements = [
        text([15, 10, 267, 10], "询证函发函清单", size=18, family=HEI, bold=True, align="center", name="标题"),
        text([15, 24, 180, 7], "审计项目：{审计项目}", size=10.5, name="审计项目", shrink=True),
        text([195, 24, 87, 7], "打印日期：{#打印日期:yyyy年M月d日}", size=10.5, align="right", name="日期"),
        {"type": "table", "rect": [15, 33, 267, row], "name": "表头", "columns": columns, "rows": [row],
         "cells": [[cell(h, bold=True) for h in headers]], "font": {"size": 10.5}},
        # The detail band: this row is printed once per letter.
        {"type": "table", "rect": [15, band_top, 267, row], "name": "明细行", "columns": columns,
         "rows": [row],
         "cells": [[cell(v, align="left" if i in (2, 3) else "center") for i, v in enumerate(values)]],
         "font": {"size": 10, "fit": "shrink"}, "wrap": False},
        text([15, 182, 90, 7], "快递员签字：", size=10.5, name="快递员签字"), line(40, 188, 100, 188, pen=0.2),
        text([110, 182, 70, 7], "日期：", size=10.5, name="签收日期"), line(122, 188, 175, 188, pen=0.2),
        text([185, 182, 97, 7], "交接人：", size=10.5, name="交接人"), line(201, 188, 262, 188, pen=0.2),
        text([15, 194, 267, 6], "第 {#页码} 页，共 {#总页数} 页", size=9, align="center", name="页码"),
    ]
    return {
        "format": "roviradavev-report-template",
        "version": 2,
        "title": "发函清单",
        # The bottom margin keeps the signatures clear of the rows.
        "page": {"width": 210, "height": 297, "landscape": True, "margins": [15, 10, 15, 30],
                 "band": [band_top, row]},
        # The four receivables fields come with every template the letter run reads.
        "fields": [{"name": n, "type": t} for n, t in RECEIVABLES_FIELDS + (
            ("序号", "text"), ("函证编号", "text"), ("被询证单位", "text"), ("地址", "text"),
            ("发函方式", "text"), ("快递单号", "text"), ("审计项目", "text"))],
        "elements": elements,
    }


def main():
    receivable = letter(
        "应收帐款", "1. 本公司与贵公司的往来账项列示如下：",
        ["截止日期", "贵公司欠本公司", "本公司欠贵公司", "备注"], 1, "贵公司欠本公司金额（大写）：人民币",
        "　　本函仅为复核账目之用，并非催款结算。若款项在上述日期之后已经付清，仍请及时函复为盼。")
    advance = letter(
        "预收帐款", "1. 本公司预收贵公司的款项列示如下：",
        ["截止日期", "本公司预收贵公司", "贵公司预收本公司", "备注"], 1, "本公司预收贵公司金额（大写）：人民币",
        "　　本函仅为复核账目之用，并非结算通知。若所预收款项对应的货物或服务在上述日期之后已经交付，仍请及时函复为盼。")
    for name, content in (("应收帐款确认函.grf", receivable), ("预收帐款确认函.grf", advance),
                          ("第二次询证函.grf", second_request(receivable)), ("信封.grf", envelope()),
                          ("发函清单.grf", dispatch_list())):
        with open(os.path.join(HERE, name), "w", encoding="utf-8") as f:
            json.dump(content, f, ensure_ascii=False, indent=2)
            f.write("\n")


if __name__ == "__main__":
    main()
