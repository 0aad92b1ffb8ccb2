#!/usr/bin/python3
"""Writes workbooks as an office suite saves them: openpyxl writes a receivables list with
unique customer names, dates and amounts, and LibreOffice converts it to .xlsx (100,000 rows;
1,000 rows for printing letters) and .xls (65,000 rows, the format's limit). Each carries a
second, small sheet, as real workbooks do. Usage: make_office_workbooks.py OUTDIR"""
import datetime
import os
import random
import shutil
import subprocess
import sys
import tempfile

import openpyxl

FIRST = "华恒信瑞祥泰嘉兴永安德鑫盛隆昌达宏远金海"
SECOND = "东南西北中新大通利丰源顺广和美福康宁佳益"
TRADE = ["贸易", "实业", "科技", "物流", "建材", "电子", "食品", "纺织", "化工", "医药"]
KIND = ["有限公司", "股份有限公司", "有限责任公司", "集团有限公司", "商贸行"]
CITIES = ["上海", "北京", "广州", "深圳", "杭州", "南京", "成都", "武汉", "天津", "重庆",
          "苏州", "西安", "长沙", "青岛", "宁波", "厦门"]


def customer(number):
    """A unique name for each number below 16 x 20 x 20 x 10 x 5 x 1000."""
    parts = []
    for pool in (CITIES, FIRST, SECOND, TRADE, KIND):
        parts.append(pool[number % len(pool)])
        number //= len(pool)
    city, first, second, trade, kind = parts
    return f"{city}{first}{second}{trade}{kind}" + (f"第{number}分公司" if number else "")


def write_source(path, rows):
    rng = random.Random(20261209)
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "应收账款"
    sheet.append(["客户名称", "截止日期", "应收金额", "函编号"])
    start = datetime.date(2015, 1, 1)
    order = list(range(rows))
    rng.shuffle(order)
    for r in range(rows):
        date = start + datetime.timedelta(days=rng.randrange(4000))
        amount = round(rng.randrange(1, 10 ** 9) / 100 + r / 1e6, 2)
        sheet.append([customer(order[r]), date, amount, f"WL-{date.year}-{r + 1:06d}"])
        sheet.cell(row=r + 2, column=2).number_format = "yyyy-mm-dd"
        sheet.cell(row=r + 2, column=3).number_format = "#,##0.00"
    notes = book.create_sheet("说明")
    notes.append(["本表由财务部导出", datetime.date(2026, 12, 1)])
    book.save(path)


def convert(source, target_dir, extension, filter_name):
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    try:
        subprocess.run(["soffice", f"-env:UserInstallation=file://{profile}", "--headless",
                        "--convert-to", f"{extension}:{filter_name}", "--outdir", target_dir, source],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def make(out, name, rows, extension, filter_name):
    target = os.path.join(out, f"{name}.{extension}")
    if os.path.exists(target):
        return
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, f"{name}.xlsx")
        write_source(source, rows)
        converted = os.path.join(work, "out")
        convert(source, converted, extension, filter_name)
        shutil.move(os.path.join(converted, f"{name}.{extension}"), target)


if __name__ == "__main__":
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    make(out, "office-100k", 100000, "xlsx", "Calc MS Excel 2007 XML")
    make(out, "office-65k", 64999, "xls", "MS Excel 97")
    make(out, "office-letters-1000", 1000, "xlsx", "Calc MS Excel 2007 XML")
