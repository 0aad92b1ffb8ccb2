#!/usr/bin/python3
"""Writes the two letter templates shipped in the program directory. The .grf files are
the product; this script keeps the two letters' shared layout in one place."""
import json
import os

HERE = os.path.dirname(os.path.abspath(__file__))
SONG = "宋体"
HEI = "黑体"


def text(rect, value, size=12, family=SONG, bold=False, align=None, valign=None, spacing=None, name=None):
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
    return element


def line(x1, y1, x2, y2, pen=None, dashed=False):
    element = {"type": "line", "rect": [x1, y1, x2 - x1, y2 - y1]}
    if pen:
        element["pen"] = pen
    if dashed:
        element["dashed"] = True
    return element


def rectangle(rect, pen=None, fill=None):
    element = {"type": "rectangle", "rect": rect}
    if pen is not None:
        element["pen"] = pen
    if fill:
        element["fill"] = fill
    return element


def cell(value="", align="center", bold=False):
    c = {"align": align}
    if value:
        c["text"] = value
    if bold:
        c["bold"] = True
    return c


def letter(kind, item, headers, amount_column, capital_label, note):
    amount = "{应收金额:#,##0.00}"
    data_row = [cell("{截止日期:yyyy年M月d日}"), cell(), cell(), cell()]
    data_row[amount_column] = cell(amount, align="right")
    elements = [
        text([20, 18, 170, 11], "企业询证函", size=22, family=HEI, bold=True, align="center", name="标题"),
        text([20, 29, 170, 7], f"（{kind}）", size=12, family=HEI, align="center", name="类别"),
        text([110, 38, 80, 6], "编号：{函编号}", size=10.5, align="right", name="函编号"),
        text([20, 46, 170, 7], "{客户单位}：", size=12, bold=True, name="客户单位"),
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
         "cells": [[cell(h, bold=True) for h in headers], data_row]},
        text([20, 128, 170, 7], capital_label + "{应收金额:大写}", name="大写金额"),
        text([20, 137, 170, 7], "2. 其他事项：无。", name="事项二"),
        text([20, 146, 170, 15], note, align="justify", spacing=1.6, name="说明"),
        text([120, 166, 70, 7], "（公司盖章）", align="center", name="盖章"),
        text([120, 174, 70, 7], "{#打印日期:yyyy年M月d日}", align="center", name="日期"),
        line(20, 186, 190, 186, dashed=True),
        rectangle([72, 183, 66, 6], pen=0, fill="#ffffff"),
        text([72, 183, 66, 6], "以下由被询证单位填写", size=10.5, align="center", valign="middle"),
        rectangle([20, 192, 83, 82]),
        rectangle([107, 192, 83, 82]),
        text([24, 196, 75, 7], "1. 数据证明无误。", bold=True, name="结论一"),
        text([111, 196, 75, 14], "2. 数据不符，请列明不符项目：", bold=True, name="结论二"),
    ]
    for y in (216, 225, 234, 243):
        elements.append(line(111, y, 186, y, pen=0.2))
    for x in (24, 111):
        elements.append(text([x, 249, 75, 7], "（被询证单位盖章）", align="center"))
        elements.append(text([x, 257, 75, 7], "年　　月　　日", align="center"))
        elements.append(text([x, 265, 75, 7], "经办人："))
    elements.append(text([20, 278, 170, 6], "请于收到本函后十日内回复，谢谢合作。", size=9, align="center"))
    return {
        "format": "roviradavev-report-template",
        "version": 1,
        "title": f"{kind}确认函",
        "page": {"width": 210, "height": 297, "margins": [20, 18, 20, 18]},
        "fields": [
            {"name": "客户单位", "type": "text"},
            {"name": "截止日期", "type": "date"},
            {"name": "应收金额", "type": "number"},
            {"name": "函编号", "type": "text"},
        ],
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
    for name, content in (("应收帐款确认函.grf", receivable), ("预收帐款确认函.grf", advance)):
        with open(os.path.join(HERE, name), "w", encoding="utf-8") as f:
            json.dump(content, f, ensure_ascii=False, indent=2)
            f.write("\n")


if __name__ == "__main__":
    main()
