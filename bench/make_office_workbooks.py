#!/usr/bin/python3
"""Writes the benchmarks' receivables lists (a Chinese company name of 10 to 20 characters,
a date, an amount, a letter number; a second, small sheet, as real workbooks have) as
several programs save them, since each writes its cells in its own way:

  office-*    LibreOffice, converting openpyxl's file: shared strings (.xlsx), BIFF8 (.xls)
  openpyxl-*  openpyxl: inline strings, every Chinese character a numeric reference
  stream-*    openpyxl in write-only mode, as web and database exports stream their rows
  mixed-*     a plain writer of our own: shared strings for names, inline UTF-8 for numbers
  xlwt-*      python3-xlwt (.xls)

Usage: make_office_workbooks.py OUTDIR [--million]; files already there are kept."""
import datetime
import os
import random
import shutil
import subprocess
import sys
import tempfile
import zipfile
from xml.sax.saxutils import escape

import openpyxl
from openpyxl.cell import WriteOnlyCell

FIRST = "华恒信瑞祥泰嘉兴永安德鑫盛隆昌达宏远金海"
SECOND = "东南西北中新大通利丰源顺广和美福康宁佳益"
TRADE = ["贸易", "实业", "科技", "物流", "建材", "电子", "食品", "纺织", "化工", "医药"]
KIND = ["有限公司", "股份有限公司", "有限责任公司", "集团有限公司", "商贸行"]
CITIES = ["上海", "北京", "广州", "深圳", "杭州", "南京", "成都", "武汉", "天津", "重庆",
          "苏州", "西安", "长沙", "青岛", "宁波", "厦门"]
TITLES = ["客户名称", "截止日期", "应收金额", "函编号"]
EPOCH = datetime.date(1899, 12, 30)


def customer(number):
    """A unique name for each number below 16 x 20 x 20 x 10 x 5 x 1000."""
    parts = []
    for pool in (CITIES, FIRST, SECOND, TRADE, KIND):
        parts.append(pool[number % len(pool)])
        number //= len(pool)
    city, first, second, trade, kind = parts
    return f"{city}{first}{second}{trade}{kind}" + (f"第{number}分公司" if number else "")


def receivables(rows):
    """The same rows for every writer: (name, date, amount, letter number)."""
    rng = random.Random(20261209)
    start = datetime.date(2015, 1, 1)
    order = list(range(rows))
    rng.shuffle(order)
    for r in range(rows):
        date = start + datetime.timedelta(days=rng.randrange(4000))
        amount = round(rng.randrange(1, 10 ** 9) / 100 + r / 1e6, 2)
        yield customer(order[r]), date, amount, f"WL-{date.year}-{r + 1:06d}"


def write_openpyxl(path, rows):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "应收账款"
    sheet.append(TITLES)
    for r, row in enumerate(receivables(rows), start=2):
        sheet.append(row)
        sheet.cell(row=r, column=2).number_format = "yyyy-mm-dd"
        sheet.cell(row=r, column=3).number_format = "#,##0.00"
    notes = book.create_sheet("说明")
    notes.append(["本表由财务部导出", datetime.date(2026, 12, 1)])
    book.save(path)


def write_stream(path, rows):
    book = openpyxl.Workbook(write_only=True)
    sheet = book.create_sheet("应收账款")
    sheet.append(TITLES)
    for name, date, amount, number in receivables(rows):
        when = WriteOnlyCell(sheet, value=date)
        when.number_format = "yyyy-mm-dd"
        money = WriteOnlyCell(sheet, value=amount)
        money.number_format = "#,##0.00"
        sheet.append([name, when, money, number])
    notes = book.create_sheet("说明")
    notes.append(["本表由财务部导出"])
    book.save(path)


MIXED_PARTS = {
    "[Content_Types].xml":
        '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/'
        'package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.'
        'openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType='
        '"application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.'
        'openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName='
        '"/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.'
        'spreadsheetml.worksheet+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType='
        '"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
        '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-'
        'officedocument.spreadsheetml.styles+xml"/></Types>',
    "_rels/.rels":
        '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.'
        'openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://'
        'schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target='
        '"xl/workbook.xml"/></Relationships>',
    "xl/workbook.xml":
        '<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.'
        'org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/'
        '2006/relationships"><sheets><sheet name="应收账款" sheetId="1" r:id="rId1"/></sheets>'
        '</workbook>',
    "xl/_rels/workbook.xml.rels":
        '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.'
        'openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://'
        'schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target='
        '"worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.'
        'org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
        '<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
        'relationships/styles" Target="styles.xml"/></Relationships>',
    "xl/styles.xml":
        '<?xml version="1.0" encoding="UTF-8"?><styleSheet xmlns="http://schemas.openxmlformats.'
        'org/spreadsheetml/2006/main"><numFmts count="1"><numFmt numFmtId="164" formatCode='
        '"yyyy\\-mm\\-dd"/></numFmts><cellXfs count="3"><xf numFmtId="0"/><xf numFmtId="164" '
        'applyNumberFormat="1"/><xf numFmtId="4" applyNumberFormat="1"/></cellXfs></styleSheet>',
}


def write_mixed(path, rows):
    """Names shared, letter numbers inline, every text as plain UTF-8."""
    names = []
    sheet = ['<?xml version="1.0" encoding="UTF-8"?>\n<worksheet xmlns="http://schemas.'
             'openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1">']
    for column, title in zip("ABCD", TITLES):
        sheet.append(f'<c r="{column}1" t="inlineStr"><is><t>{title}</t></is></c>')
    sheet.append("</row>")
    for r, (name, date, amount, number) in enumerate(receivables(rows), start=2):
        sheet.append(f'<row r="{r}"><c r="A{r}" t="s"><v>{len(names)}</v></c>'
                     f'<c r="B{r}" s="1"><v>{(date - EPOCH).days}</v></c>'
                     f'<c r="C{r}" s="2"><v>{amount!r}</v></c>'
                     f'<c r="D{r}" t="inlineStr"><is><t>{number}</t></is></c></row>')
        names.append(name)
    sheet.append("</sheetData></worksheet>")
    strings = [f'<?xml version="1.0" encoding="UTF-8"?>\n<sst xmlns="http://schemas.'
               f'openxmlformats.org/spreadsheetml/2006/main" count="{len(names)}" '
               f'uniqueCount="{len(names)}">']
    strings += [f"<si><t>{escape(name)}</t></si>" for name in names]
    strings.append("</sst>")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        for name, text in MIXED_PARTS.items():
            package.writestr(name, text)
        package.writestr("xl/worksheets/sheet1.xml", "".join(sheet))
        package.writestr("xl/sharedStrings.xml", "".join(strings))


def write_xlwt(path, rows):
    import xlwt
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("应收账款")
    dates = xlwt.easyxf(num_format_str="yyyy-mm-dd")
    money = xlwt.easyxf(num_format_str="#,##0.00")
    for column, title in enumerate(TITLES):
        sheet.write(0, column, title)
    for r, (name, date, amount, number) in enumerate(receivables(rows), start=1):
        sheet.write(r, 0, name)
        sheet.write(r, 1, date, dates)
        sheet.write(r, 2, amount, money)
        sheet.write(r, 3, number)
    book.add_sheet("说明").write(0, 0, "本表由财务部导出")
    book.save(path)


def convert(source, target_dir, extension, filter_name):
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    try:
        subprocess.run(["soffice", f"-env:UserInstallation=file://{profile}", "--headless",
                        "--convert-to", f"{extension}:{filter_name}", "--outdir", target_dir, source],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def write_office(path, rows):
    name, extension = os.path.splitext(os.path.basename(path))
    filter_name = "MS Excel 97" if extension == ".xls" else "Calc MS Excel 2007 XML"
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, f"{name}.xlsx")
        write_openpyxl(source, rows)
        converted = os.path.join(work, "out")
        convert(source, converted, extension[1:], filter_name)
        shutil.move(os.path.join(converted, f"{name}{extension}"), path)


def make(out, name, rows, writer):
    target = os.path.join(out, name)
    if os.path.exists(target):
        return
    partial = os.path.join(out, "partial-" + name)
    writer(partial, rows)
    os.replace(partial, target)


if __name__ == "__main__":
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    make(out, "office-100k.xlsx", 100000, write_office)
    make(out, "office-65k.xls", 64999, write_office)
    make(out, "office-letters-1000.xlsx", 1000, write_office)
    make(out, "openpyxl-100k.xlsx", 100000, write_openpyxl)
    make(out, "stream-100k.xlsx", 100000, write_stream)
    make(out, "mixed-100k.xlsx", 100000, write_mixed)
    make(out, "xlwt-65k.xls", 64999, write_xlwt)
    if "--million" in sys.argv:
        make(out, "stream-1m.xlsx", 999999, write_stream)
        make(out, "mixed-1m.xlsx", 999999, write_mixed)
        make(out, "openpyxl-1m.xlsx", 999999, write_openpyxl)
        make(out, "office-1m.xlsx", 999999, write_office)
