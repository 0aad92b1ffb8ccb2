#!/usr/bin/env bash
# Writes the workbooks that only a spreadsheet program can: formulas with cached results
# (BIFF8 and .xlsx) and a BIFF5 file with GBK text. Uses gnumeric's ssconvert; the
# results are committed, so the tests do not need gnumeric. The BIFF5 file needs the
# zh_CN.UTF-8 locale (localedef -i zh_CN -f UTF-8 zh_CN.UTF-8), else gnumeric writes "?".
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/workbooks"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

/usr/bin/python3 - "$tmp/formulas_source.xlsx" "$tmp/biff5_source.xlsx" <<'PY'
import datetime, sys
import openpyxl
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "公式"
ws["A1"] = 1234.5
ws["B1"] = "=A1*2"            # number result
ws["C1"] = '="客户"&"甲"'      # text result
ws["D1"] = "=A1>1000"          # Boolean result
ws["E1"] = "=1/0"              # error result
ws["F1"] = '=""'               # empty text result
ws["G1"] = "=DATE(2024,3,31)"  # date result
ws["G1"].number_format = "yyyy-mm-dd"
ws["H1"] = '=REPT("长",300)'   # long text result
wb.save(sys.argv[1])

wb = openpyxl.Workbook()
ws = wb.active
ws.title = "应收"
ws.append(["客户名称", "截止日期", "应收金额", "函编号"])
ws.append(["北京华信科技有限公司", datetime.date(2024, 12, 31), 128000.5, "WL-2024-001"])
ws["B2"].number_format = "yyyy-mm-dd"
ws.append(["上海浦江贸易有限公司", datetime.date(2024, 6, 30), 56320, "WL-2024-002"])
ws["B3"].number_format = "yyyy-mm-dd"
wb.save(sys.argv[2])
PY

ssconvert --recalc "$tmp/formulas_source.xlsx" "$out/formulas.xls" 2>/dev/null
ssconvert --recalc "$tmp/formulas_source.xlsx" "$out/formulas.xlsx" 2>/dev/null
LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8 ssconvert -T Gnumeric_Excel:excel_biff7 \
  "$tmp/biff5_source.xlsx" "$out/biff5_gbk.xls" 2>/dev/null
