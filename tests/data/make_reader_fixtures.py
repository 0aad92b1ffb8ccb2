#!/usr/bin/python3
"""Writes workbooks of forms that other readers open and ours once refused, and the ones
that hold the reader's memory budget to account. Needs only the standard library."""
import io
import os
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xlsx_parts  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))


def write(folder, name, data):
    with open(os.path.join(HERE, folder, name), "wb") as f:
        f.write(data)


def reencoded(data, encode):
    """The package with every XML part passed through encode(text)."""
    src = zipfile.ZipFile(io.BytesIO(data))
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as dst:
        for item in src.infolist():
            dst.writestr(item.filename, encode(src.read(item.filename).decode("utf-8")))
    return buf.getvalue()


def utf16be(with_bom):
    def encode(text):
        if not text.startswith("<?xml"):
            text = '<?xml version="1.0"?>' + text
        text = text.replace('encoding="UTF-8"', 'encoding="UTF-16BE"')
        return (b"\xfe\xff" if with_bom else b"") + text.encode("utf-16-be")
    sheet = xlsx_parts.sheet('<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1"><v>12.5</v></c>'
                             '<c r="C1" t="inlineStr"><is><t>𠮷野家</t></is></c></row>')
    sst = f'<sst xmlns="{xlsx_parts.MAIN}"><si><t>应收帐款</t></si></sst>'
    return reencoded(xlsx_parts.package([("表一", sheet)], shared_strings=sst), encode)


def dates1904_x15():
    """The 1904 flag on the first workbookPr, and Excel 2013's second one without it."""
    data = xlsx_parts.package(
        [("a", xlsx_parts.sheet('<row r="1"><c r="A1" s="1"><v>43920</v></c></row>'))],
        styles=f'<styleSheet xmlns="{xlsx_parts.MAIN}"><cellXfs count="2"><xf numFmtId="0"/>'
               '<xf numFmtId="14"/></cellXfs></styleSheet>',
        date1904=True)

    def add_x15(text):
        return text.replace(
            "<bookViews>",
            '<mc:AlternateContent xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006">'
            '<mc:Choice Requires="x15"><x15ac:absPath xmlns:x15ac="http://schemas.microsoft.com/office/spreadsheetml/2010/11/ac" url="C:\\"/>'
            '</mc:Choice></mc:AlternateContent>'
            '<x15:workbookPr xmlns:x15="http://schemas.microsoft.com/office/spreadsheetml/2010/11/main" chartTrackingRefBase="1"/>'
            "<bookViews>").encode("utf-8")
    return reencoded(data, add_x15)


def spaces_part(tag, megabytes):
    return f'<{tag} xmlns="{xlsx_parts.MAIN}">' + " " * (megabytes << 20) + f"</{tag}>"


def inline(text):
    return f'<is><t>{text}</t></is>'


def long_names():
    """Four letters, the second and fourth with names too long for the line even shrunk."""
    long = "长江黄河" * 50
    rows = ['<row r="1">' + "".join(f'<c r="{c}1" t="inlineStr">{inline(t)}</c>' for c, t in
                                    zip("ABCD", ["客户单位", "截止日期", "应收金额", "函编号"])) + "</row>"]
    for r, name in enumerate(["甲有限公司", long + "甲", "丙有限公司", long + "丁"], start=2):
        rows.append(f'<row r="{r}"><c r="A{r}" t="inlineStr">{inline(name)}</c>'
                    f'<c r="B{r}" t="inlineStr">{inline("2024/12/31")}</c><c r="C{r}"><v>{r * 100}</v></c>'
                    f'<c r="D{r}" t="inlineStr">{inline(f"WL-{r}")}</c></row>')
    return xlsx_parts.package([("a", xlsx_parts.sheet("".join(rows)))])


def main():
    write("workbooks", "utf16be.xlsx", utf16be(True))
    write("workbooks", "utf16be_nobom.xlsx", utf16be(False))
    write("workbooks", "dates1904_x15.xlsx", dates1904_x15())
    write("workbooks", "long_names.xlsx", long_names())
    # A number cell holding "inf" and "nan", as a C library prints them, beside a real one.
    write("workbooks", "infinite_value.xlsx", xlsx_parts.package([("a", xlsx_parts.sheet(
        '<row r="1"><c r="A1"><v>inf</v></c><c r="B1"><v>nan</v></c><c r="C1"><v>-Infinity</v></c>'
        '<c r="D1"><v>7</v></c></row>'))]))
    # A shared-string index past the table, between two good ones.
    write("workbooks", "string_index_past_end.xlsx", xlsx_parts.package(
        [("a", xlsx_parts.sheet('<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>99999</v></c>'
                                '<c r="C1" t="s"><v>1</v></c></row>'))],
        shared_strings=f'<sst xmlns="{xlsx_parts.MAIN}"><si><t>x</t></si><si><t>y</t></si></sst>'))
    # 40 MB of shared strings and a 30 MB sheet: each within the 64 MB budget, not together.
    write("bad", "strings_over_budget.xlsx", xlsx_parts.package(
        [("a", spaces_part("worksheet", 30).replace("</worksheet>", "<sheetData/></worksheet>"))],
        shared_strings=spaces_part("sst", 40)))
    # An Excel 4.0 workbook stream inside a compound file: receivables.xls with its BIFF8
    # BOF records turned into BIFF4 ones, in place.
    with open(os.path.join(HERE, "workbooks", "receivables.xls"), "rb") as f:
        xls = f.read()
    write("bad", "excel4_in_compound_file.xls", xls.replace(b"\x09\x08\x10\x00\x00\x06", b"\x09\x04\x10\x00\x00\x06"))


if __name__ == "__main__":
    main()
