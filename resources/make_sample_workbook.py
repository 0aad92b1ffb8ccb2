#!/usr/bin/python3
"""Writes 导入模板.xls, the sample import workbook shipped in the program directory:
a title row and a dozen receivables in columns A to D, then each customer's postcode,
address and contact person, which the envelope takes by their titles (python3-xlwt)."""
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


# Postcode, address and contact person of each customer, in the order of ROWS.
CONTACTS = [
    ("100080", "北京市海淀区中关村大街 18 号", "王立新"),
    ("200120", "上海市浦东新区世纪大道 88 号", "陈美华"),
    ("510620", "广州市天河区体育西路 101 号", "黄振国"),
    ("518052", "深圳市南山区前海大道 2 号", "林晓东"),
    ("310012", "杭州市西湖区文三路 259 号", "周雅琴"),
    ("610041", "成都市武侯区人民南路四段 27 号", "刘建平"),
    ("430010", "武汉市江岸区沿江大道 160 号", "张海涛"),
    ("210005", "南京市秦淮区中山南路 1 号", "孙丽娟"),
    ("710001", "西安市碑林区南大街 33 号", "赵卫东"),
    ("400010", "重庆市渝中区解放碑民族路 188 号", "杨帆"),
    ("300450", "天津市滨海新区第二大街 57 号", "吴志强"),
    ("266071", "青岛市市南区香港中路 76 号", "郑晓燕"),
]


def main():
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("应收帐款")
    title = xlwt.easyxf("font: bold on; align: horiz center; pattern: pattern solid, fore_colour light_turquoise")
    date = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    money = xlwt.easyxf(num_format_str="#,##0.00")
    for c, t in enumerate(["客户名称", "截止日期", "应收金额", "函编号", "邮编", "地址", "联系人"]):
        ws.write(0, c, t, title)
    for r, ((name, day, amount, number), (postcode, address, person)) in enumerate(
            zip(ROWS, CONTACTS), start=1):
        ws.write(r, 0, name)
        ws.write(r, 1, day, date)
        ws.write(r, 2, amount, money)
        ws.write(r, 3, number)
        ws.write(r, 4, postcode)  # text: a postcode may begin with 0
        ws.write(r, 5, address)
        ws.write(r, 6, person)
    for c, width in enumerate([34, 14, 16, 16, 10, 40, 12]):
        ws.col(c).width = width * 256
    wb.save(os.path.join(os.path.dirname(os.path.abspath(__file__)), "导入模板.xls"))


if __name__ == "__main__":
    main()
