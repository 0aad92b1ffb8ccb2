#!/usr/bin/python3
"""Writes the benchmark workbooks: 100,000 rows by 4 columns as .xlsx (shared strings,
dates, amounts, as Excel lays them out) and 65,000 rows by 4 columns with dates as .xls."""
import datetime
import os
import sys
import zipfile

import xlwt

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data"))
import xlsx_parts  # noqa: E402


def big_xlsx(path, rows=100000):
    strings = ["客户名称", "截止日期", "应收金额", "函编号"]
    index = {s: i for i, s in enumerate(strings)}

    def sst(text):
        if text not in index:
            index[text] = len(strings)
            strings.append(text)
        return index[text]

    parts = ['<row r="1">' + "".join(f'<c r="{c}1" t="s"><v>{i}</v></c>' for i, c in enumerate("ABCD")) + "</row>"]
    for r in range(2, rows + 2):
        name = sst(f"客户{r % 5000:04d}贸易有限公司")
        number = sst(f"WL-2024-{r:06d}")
        date = 45000 + r % 700
        amount = (r * 7919) % 10000000 / 100
        parts.append(f'<row r="{r}"><c r="A{r}" t="s"><v>{name}</v></c><c r="B{r}" s="1"><v>{date}</v></c>'
                     f'<c r="C{r}" s="2"><v>{amount}</v></c><c r="D{r}" t="s"><v>{number}</v></c></row>')
    shared = (f'<sst xmlns="{xlsx_parts.MAIN}" uniqueCount="{len(strings)}">'
              + "".join(f"<si><t>{s}</t></si>" for s in strings) + "</sst>")
    styles = (f'<styleSheet xmlns="{xlsx_parts.MAIN}"><cellXfs count="3">'
              '<xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="4"/></cellXfs></styleSheet>')
    data = xlsx_parts.package([("应收", xlsx_parts.sheet("".join(parts)))], shared_strings=shared, styles=styles)
    with open(path, "wb") as f:
        f.write(data)


def big_xls(path, rows=65000):
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("应收")
    date_style = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    for c, t in enumerate(["客户名称", "截止日期", "应收金额", "函编号"]):
        ws.write(0, c, t)
    base = datetime.date(2023, 1, 1)
    for r in range(1, rows):
        ws.write(r, 0, f"客户{r % 5000:04d}贸易有限公司")
        ws.write(r, 1, base + datetime.timedelta(days=r % 700), date_style)
        ws.write(r, 2, (r * 7919) % 10000000 / 100)
        ws.write(r, 3, f"WL-2024-{r:06d}")
    wb.save(path)


if __name__ == "__main__":
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    if not os.path.exists(os.path.join(out, "big.xlsx")):
        big_xlsx(os.path.join(out, "big.xlsx"))
    if not os.path.exists(os.path.join(out, "big.xls")):
        big_xls(os.path.join(out, "big.xls"))
