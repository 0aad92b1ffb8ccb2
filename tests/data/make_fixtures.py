#!/usr/bin/python3
"""Writes the test workbooks (.xls with xlwt, .xlsx with openpyxl) into workbooks/.

Run with Debian's /usr/bin/python3 (python3-xlwt, python3-openpyxl). Formula results and
BIFF5 files need a spreadsheet program: see make_program_fixtures.sh.
"""
import datetime
import os

import openpyxl
import xlwt
from openpyxl.styles import Font

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "workbooks")

TITLES = ["客户名称", "截止日期", "应收金额", "函编号"]
CUSTOMERS = [
    ("北京华信科技有限公司", datetime.date(2024, 12, 31), 128000.5, "WL-2024-001"),
    ("上海浦江贸易有限公司", datetime.date(2024, 12, 31), 56320.0, "WL-2024-002"),
    ("广州南粤电子有限公司", datetime.date(2024, 12, 31), 9876.54, "WL-2024-003"),
    ("深圳前海物流有限公司", datetime.date(2024, 12, 31), 300000, "WL-2024-004"),
    ("杭州西湖茶业有限公司", datetime.date(2024, 11, 30), 1234.5, "WL-2024-005"),
    ("成都天府餐饮管理有限公司", datetime.date(2024, 11, 30), 0.5, "WL-2024-006"),
    ("武汉长江建材有限公司", datetime.date(2024, 6, 30), 1004, "WL-2024-007"),
    ("南京金陵印刷厂", datetime.date(2024, 6, 30), 1000.05, "WL-2024-008"),
    ("西安古城文化传播有限公司", datetime.date(2023, 12, 31), 60000.08, "WL-2024-009"),
    ("重庆山城汽配有限公司", datetime.date(2023, 12, 31), 100010001, "WL-2024-010"),
]

CUSTOM_DATE = "YYYY-MM-DD"
BUILTIN_DATE = "M/D/YY"  # built-in format 14


def xls_receivables(path, sheet="应收帐款"):
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet(sheet)
    custom = xlwt.easyxf(num_format_str=CUSTOM_DATE)
    builtin = xlwt.easyxf(num_format_str=BUILTIN_DATE)
    for c, t in enumerate(TITLES):
        ws.write(0, c, t)
    for r, (name, date, amount, number) in enumerate(CUSTOMERS, start=1):
        ws.write(r, 0, name)
        ws.write(r, 1, date, custom if r % 2 else builtin)
        ws.write(r, 2, amount)
        ws.write(r, 3, number)
    wb.save(path)


def xlsx_receivables(path, sheet="应收帐款"):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = sheet
    ws.append(TITLES)
    for r, (name, date, amount, number) in enumerate(CUSTOMERS, start=2):
        ws.append([name, date, amount, number])
        ws.cell(r, 2).number_format = "yyyy-mm-dd" if r % 2 else "mm-dd-yy"
    wb.save(path)


def xls_second_active(path):
    wb = xlwt.Workbook(encoding="utf-8")
    first = wb.add_sheet("第一页")
    first.write(0, 0, "第一页的数据")
    second = wb.add_sheet("第二页")
    second.write(0, 0, "第二页的数据")
    second.write(1, 1, 2)
    hidden = wb.add_sheet("隐藏页")
    hidden.write(0, 0, "隐藏")
    hidden.visibility = 1
    wb.active_sheet = 1
    first.selected = False
    second.selected = True
    wb.save(path)


def xlsx_second_active(path):
    wb = openpyxl.Workbook()
    first = wb.active
    first.title = "第一页"
    first["A1"] = "第一页的数据"
    second = wb.create_sheet("第二页")
    second["A1"] = "第二页的数据"
    second["B2"] = 2
    hidden = wb.create_sheet("隐藏页")
    hidden["A1"] = "隐藏"
    hidden.sheet_state = "hidden"
    wb.active = 1
    first.sheet_view.tabSelected = False
    wb.save(path)


def xls_grid(path, cells, formats=None, dates_1904=False):
    wb = xlwt.Workbook(encoding="utf-8")
    wb.dates_1904 = dates_1904
    ws = wb.add_sheet("Sheet1")
    for (r, c), value in cells.items():
        fmt = (formats or {}).get((r, c))
        if fmt:
            ws.write(r, c, value, xlwt.easyxf(num_format_str=fmt))
        else:
            ws.write(r, c, value)
    wb.save(path)
    return wb


def xlsx_grid(path, cells, formats=None, dates_1904=False):
    wb = openpyxl.Workbook()
    if dates_1904:
        wb.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
    ws = wb.active
    ws.title = "Sheet1"
    for (r, c), value in cells.items():
        cell = ws.cell(r + 1, c + 1, value)
        fmt = (formats or {}).get((r, c))
        if fmt:
            cell.number_format = fmt
    wb.save(path)
    return wb


def offset_cells():
    cells = {}
    for r in range(2, 12):
        for c in range(1, 5):
            cells[(r, c)] = f"{chr(65 + c)}{r + 1}"
    return cells


def wide_cells():
    cells = {}
    for c in range(28):
        cells[(0, c)] = f"列{c + 1}"
        cells[(1, c)] = c + 1
    return cells


OUTSIDE_GBK = "𠮷野家 😀 한국"


def xls_types(path):
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("类型")
    ws.write(0, 0, "文本")
    ws.write(0, 1, 1234.5)
    ws.write(0, 2, 0.0001)
    ws.write(0, 3, 1e15)
    ws.write(0, 4, 1.5e-5)
    ws.write(0, 5, -12.3)
    ws.write(0, 6, 123456789012345678.0)
    ws.row(0).set_cell_boolean(7, True)
    ws.row(0).set_cell_boolean(8, False)
    ws.row(0).set_cell_error(9, "#DIV/0!")
    ws.row(0).set_cell_error(10, 0x2A)  # #N/A
    ws.write(0, 11, datetime.date(2024, 3, 31), xlwt.easyxf(num_format_str="M/D/YY"))
    ws.write(0, 12, datetime.datetime(2024, 3, 31, 14, 30), xlwt.easyxf(num_format_str="YYYY-MM-DD HH:MM:SS"))
    ws.write(0, 13, datetime.time(8, 15), xlwt.easyxf(num_format_str="HH:MM"))
    ws.write(0, 14, datetime.date(2024, 1, 5), xlwt.easyxf(num_format_str='YYYY"年"M"月"D"日"'))
    ws.write(0, 15, OUTSIDE_GBK)
    ws.write(0, 16, 42)
    ws.write(0, 17, 0.1 + 0.2)
    ws.write(0, 18, 45000, xlwt.easyxf(num_format_str="#,##0.00"))
    ws.write(0, 19, 45000, xlwt.easyxf(num_format_str="[$-804]yyyy年m月d日"))
    wb.save(path)


def xlsx_types(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "类型"
    values = ["文本", 1234.5, 0.0001, 1e15, 1.5e-5, -12.3, 123456789012345678.0, True, False,
              "#DIV/0!", "#N/A", datetime.date(2024, 3, 31), datetime.datetime(2024, 3, 31, 14, 30),
              datetime.time(8, 15), datetime.date(2024, 1, 5), OUTSIDE_GBK, 42, 0.1 + 0.2, 45000, 45000]
    formats = {11: "mm-dd-yy", 12: "yyyy-mm-dd hh:mm:ss", 13: "hh:mm", 14: 'yyyy"年"m"月"d"日"',
               18: "#,##0.00", 19: "[$-804]yyyy年m月d日"}
    for c, value in enumerate(values):
        cell = ws.cell(1, c + 1, value)
        if c in formats:
            cell.number_format = formats[c]
    # Formatting without a value does not widen the used range.
    ws["Z40"].font = Font(bold=True)
    wb.save(path)


def xls_sst_continue(path):
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("长字符串")
    for r in range(600):
        ws.write(r, 0, f"第{r + 1}行：" + "应收帐款询证函" * (r % 7 + 1))
        ws.write(r, 1, f"ASCII only row {r + 1} " + "x" * (r % 50))
    ws.write(600, 0, "长" * 5000)
    wb.save(path)


def xls_formatting_only(path):
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("Sheet1")
    ws.write(1, 1, "值")
    ws.write(30, 10, "", xlwt.easyxf("font: bold on"))  # a BLANK with a format only
    wb.save(path)


def main():
    os.makedirs(HERE, exist_ok=True)
    out = lambda name: os.path.join(HERE, name)
    xls_receivables(out("receivables.xls"))
    xlsx_receivables(out("receivables.xlsx"))
    xls_second_active(out("second_active.xls"))
    xlsx_second_active(out("second_active.xlsx"))
    xls_grid(out("offset_b3.xls"), offset_cells())
    xlsx_grid(out("offset_b3.xlsx"), offset_cells())
    xls_grid(out("wide28.xls"), wide_cells())
    xlsx_grid(out("wide28.xlsx"), wide_cells())
    xls_grid(out("one_cell.xls"), {(0, 0): "唯一"})
    xlsx_grid(out("one_cell.xlsx"), {(0, 0): "唯一"})
    xlsx_grid(out("one_number.xlsx"), {(0, 0): 1234.5})
    xlsx_grid(out("one_error.xlsx"), {(0, 0): "#N/A"})
    xlsx_grid(out("empty.xlsx"), {})
    xls_grid(out("dates1904.xls"), {(0, 0): datetime.date(2024, 3, 31)}, {(0, 0): "YYYY-MM-DD"}, dates_1904=True)
    xlsx_grid(out("dates1904.xlsx"), {(0, 0): datetime.date(2024, 3, 31)}, {(0, 0): "yyyy-mm-dd"}, dates_1904=True)
    xlsx_grid(out("sparse_far.xlsx"), {(0, 0): "左上", (1048575, 629): "右下"})
    xls_types(out("types.xls"))
    xlsx_types(out("types.xlsx"))
    xls_sst_continue(out("sst_continue.xls"))
    xls_formatting_only(out("formatting_only.xls"))
    handmade_xlsx(out("handmade.xlsx"))
    bad = {(0, 0): "客户名称", (0, 1): "截止日期", (0, 2): "应收金额", (0, 3): "函编号"}
    rows = [("甲公司", "2024/12/31", 100), ("乙公司", "2024/12/31", 200), ("丙公司", "2024年13月1日", 300),
            ("丁公司", "2024/12/31", "1,000.00"), ("戊公司", "2024/12/31", 500)]
    for r, (name, date, amount) in enumerate(rows, start=1):
        bad[(r, 0)], bad[(r, 1)], bad[(r, 2)], bad[(r, 3)] = name, date, amount, f"BAD-{r}"
    # Shifted down two rows, so the check names the rows as the spreadsheet shows them.
    xlsx_grid(out("bad_rows.xlsx"), {(r + 2, c): v for (r, c), v in bad.items()})
    names = {(0, 0): "客户名称", (0, 1): "截止日期", (0, 2): "应收金额", (0, 3): "函编号"}
    for r, number in enumerate(["A/1", "", "同号", "同号", "..", "正常"], start=1):
        names[(r, 0)], names[(r, 1)], names[(r, 2)] = f"客户{r}", datetime.date(2024, 12, 31), r * 100
        if number:
            names[(r, 3)] = number
    xlsx_grid(out("letter_names.xlsx"), names, {(r, 1): "yyyy-mm-dd" for r in range(1, 7)})
    xlsx_grid(out("gaps.xlsx"), gap_cells())
    xlsx_grid(out("escapes.xlsx"), {(0, 0): "a\tb", (0, 1): "line1\nline2", (0, 2): "back\\slash",
                                    (1, 0): "cr\rx", (1, 1): "", (1, 2): "end"})


def gap_cells():
    """From B2: a title row, letters with an empty row and a row of blanks between them, and
    a bad date after the gap, so that messages name the cells as the sheet shows them."""
    cells = {(1, 1): "客户名称", (1, 2): "截止日期", (1, 3): "应收金额", (1, 4): "函编号"}
    rows = {2: ("甲公司", "2024/12/31", 100, "G-1"), 3: ("乙公司", "2024/12/31", 200, "G-2"),
            5: ("  ", None, None, " "), 6: ("丙公司", "2024/12/31", 300, "G-3"),
            7: ("丁公司", "2024/13/31", 400, "G-4")}
    for r, values in rows.items():
        for c, value in enumerate(values, start=1):
            if value is not None:
                cells[(r, c)] = value
    return cells


def handmade_xlsx(path):
    """Shared strings with rich and phonetic runs, a namespace prefix, cells without
    positions, ISO date cells, formula text, entities and CDATA, a custom date style."""
    import sys
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import xlsx_parts
    shared = (f'<sst xmlns="{xlsx_parts.MAIN}" count="3" uniqueCount="3">'
              "<si><t>普通</t></si>"
              "<si><r><rPr><b/></rPr><t>富</t></r><r><t xml:space=\"preserve\"> 文本</t></r></si>"
              "<si><t>東京</t><rPh sb=\"0\" eb=\"2\"><t>トウキョウ</t></rPh><phoneticPr fontId=\"1\"/></si>"
              "</sst>")
    styles = (f'<styleSheet xmlns="{xlsx_parts.MAIN}"><numFmts count="1">'
              '<numFmt numFmtId="170" formatCode="yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;"/></numFmts>'
              '<cellStyleXfs count="1"><xf numFmtId="14"/></cellStyleXfs>'
              '<cellXfs count="3"><xf numFmtId="0"/><xf numFmtId="170"/><xf numFmtId="4"/></cellXfs></styleSheet>')
    rows = ('<x:row r="1"><x:c r="A1" t="s"><x:v>0</x:v></x:c><x:c r="B1" t="s"><x:v>1</x:v></x:c>'
            '<x:c r="C1" t="s"><x:v>2</x:v></x:c></x:row>'
            '<x:row><x:c><x:v>1</x:v></x:c><x:c s="1"><x:v>45382</x:v></x:c><x:c s="2"><x:v>45382</x:v></x:c>'
            '<x:c t="d"><x:v>2024-03-31T06:00:00</x:v></x:c></x:row>'
            '<!-- a comment --><x:row r="5"><x:c r="A5" t="str"><x:f>A1</x:f><x:v>&lt;公式&amp;文本&gt;</x:v></x:c>'
            '<x:c r="B5" t="inlineStr"><x:is><x:t><![CDATA[<原样>]]></x:t></x:is></x:c>'
            '<x:c r="C5" t="b"><x:v>0</x:v></x:c><x:c r="D5" t="e"><x:v>#REF!</x:v></x:c>'
            '<x:c r="E5" s="1"/><x:c r="F5" t="inlineStr"><x:is><x:t>a_x000D_b_x005F_x0041_</x:t></x:is></x:c></x:row>')
    data = xlsx_parts.package([("手工", xlsx_parts.sheet(rows, prefix="x"))], shared_strings=shared,
                              styles=styles, workbook_folder="book")
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
