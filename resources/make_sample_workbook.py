#!/usr/bin/python3
"""Writes 导入模板.xls, the sample import workbook shipped in the program directory:
a title row and a dozen receivables in columns A to D (python3-xlwt)."""
import datetime
import os

import xlwt

ROWS = [
    ("北京华信科技有限公司", datetime.date(2025, 12, 31), 128000.50, "YS-2025-001"),
    ("上海浦江国际贸易有限公司", datetime.date(2025, 12, 31), 56320.00, "YS-2025-002"),
    ("广州南粤电子元件有限公司", datetime.date(2025, 12, 31), 9876.54, "YS-2025-003"),
    ("深圳前海供应链管理有限公司", datetime.date(2025, 12, 31), 300000.00, "YS-2025-004"),
    ("杭州西湖龙井茶业有限公司", datetime.date(2025, 12, 31), 1234.50, "YS-2025-005"),
    ("成都天府餐饮管理有限公司", datetime.date(2025, 12, 31), 45678.90, "YS-2025-006"),
    ("武汉长江建材有限公司", datetime.date(2025, 12, 31), 1004.00, "YS-2025-007"),
    ("南京金陵印刷有限公司", datetime.date(2025, 12, 31), 1000.05, "YS-2025-008"),
    ("西安古城文化传播有限公司", datetime.date(2025, 12, 31), 60000.08, "YS-2025-009"),
    ("重庆山城汽车配件有限公司", datetime.date(2025, 12, 31), 238500.00, "YS-2025-010"),
    ("天津滨海新区物流有限公司", datetime.date(2025, 12, 31), 87654.32, "YS-2025-011"),
    ("青岛海湾食品有限公司", datetime.date(2025, 12, 31), 15800.00, "YS-2025-012"),
]


def main():
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("应收帐款")
    title = xlwt.easyxf("font: bold on; align: horiz center; pattern: pattern solid, fore_colour light_turquoise")
    date = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    money = xlwt.easyxf(num_format_str="#,##0.00")
    for c, t in enumerate(["客户名称", "截止日期", "应收金额", "函编号"]):
        ws.write(0, c, t, title)
    for r, (name, day, amount, number) in enumerate(ROWS, start=1):
        ws.write(r, 0, name)
        ws.write(r, 1, day, date)
        ws.write(r, 2, amount, money)
        ws.write(r, 3, number)
    for c, width in enumerate([34, 14, 16, 16]):
        ws.col(c).width = width * 256
    wb.save(os.path.join(os.path.dirname(os.path.abspath(__file__)), "导入模板.xls"))


if __name__ == "__main__":
    main()
