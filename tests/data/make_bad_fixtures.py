#!/usr/bin/python3
"""Writes the corpus of malformed workbooks into bad/: every one must end in a clear
error, never a crash, a hang or unbounded memory."""
import io
import os
import random
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

HERE = os.path.dirname(os.path.abspath(__file__))
BAD = os.path.join(HERE, "bad")
GOOD = os.path.join(HERE, "workbooks")


def write(name, data):
    with open(os.path.join(BAD, name), "wb") as f:
        f.write(data)


def good(name):
    with open(os.path.join(GOOD, name), "rb") as f:
        return f.read()


def xlsx_with(replacements, drop=()):
    """A copy of receivables.xlsx with some parts replaced or dropped."""
    src = zipfile.ZipFile(io.BytesIO(good("receivables.xlsx")))
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as dst:
        for item in src.infolist():
            if item.filename in drop:
                continue
            data = replacements.get(item.filename, src.read(item.filename))
            dst.writestr(item.filename, data)
    return buf.getvalue()


def main():
    os.makedirs(BAD, exist_ok=True)
    rng = random.Random(20261208)
    write("empty.xls", b"")
    write("random.xls", bytes(rng.getrandbits(8) for _ in range(20000)))
    write("text_named.xlsx", "客户名称,截止日期\n甲,2024-1-1\n".encode("utf-8"))
    xls = good("receivables.xls")
    write("truncated.xls", xls[: len(xls) // 2])
    # The compound file's sector allocation table pointing into nowhere.
    damaged = bytearray(xls)
    damaged[0x4C:0x50] = (0x7FFFFFF0).to_bytes(4, "little")
    write("damaged_fat.xls", bytes(damaged))
    # Garbage where the BIFF records are.
    garbled = bytearray(xls)
    for i in range(0x200, 0x300):
        garbled[i] = 0xFF
    write("garbled_records.xls", bytes(garbled))
    xlsx = good("receivables.xlsx")
    write("truncated.xlsx", xlsx[: len(xlsx) // 2])
    write("no_workbook.xlsx", xlsx_with({}, drop=("xl/workbook.xml",)))

    # 2 GB of spaces inside a small file.
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", "<Types/>")
        z.writestr("xl/workbook.xml", '<workbook><sheets><sheet name="a" r:id="rId1" xmlns:r="r"/></sheets></workbook>')
        z.writestr("xl/_rels/workbook.xml.rels",
                   '<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="worksheets/sheet1.xml"/></Relationships>')
        with z.open("xl/worksheets/sheet1.xml", "w", force_zip64=True) as sheet:
            chunk = b" " * (1 << 20)
            for _ in range(2048):
                sheet.write(chunk)
    write("bomb.xlsx", buf.getvalue())

    import xlsx_parts
    plain_sheet = xlsx_parts.sheet('<row r="1"><c r="A1" t="s"><v>0</v></c></row>')
    entity_bomb = (
        '<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol">'
        + "".join(f'<!ENTITY lol{i} "{"&lol%s;" % (i - 1 if i else "") * 10}">' for i in range(1, 10))
        + ']><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>&lol9;</t></si></sst>'
    )
    write("entity_bomb.xlsx", xlsx_parts.package([("a", plain_sheet)], shared_strings=entity_bomb))

    sheet = good_part("receivables.xlsx", "xl/worksheets/sheet1.xml")
    write("huge_row.xlsx", xlsx_with({"xl/worksheets/sheet1.xml": sheet.replace(b'r="A2"', b'r="A99999999"')}))
    write("malformed_xml.xlsx", xlsx_with({"xl/worksheets/sheet1.xml": sheet[: len(sheet) // 2]}))
    write_one_sheet_named_often()
    write_cells_packed_tight()
    write_parts_that_fail_their_check()
    write_binary_workbook()
    write_beta_shared_strings()


def good_part(workbook, part):
    return zipfile.ZipFile(io.BytesIO(good(workbook))).read(part)



def write_one_sheet_named_often():
    """1,000 tabs that all name the same sheet part: reading a workbook must not cost a
    thousand sheets."""
    import xlsx_parts
    rows = "".join(f'<row r="{r}">' + "".join(f'<c r="{c}{r}"><v>{r}</v></c>' for c in "ABCDEFGHIJ")
                   + "</row>" for r in range(1, 2001))
    data = xlsx_parts.package([("S1", xlsx_parts.sheet(rows))])
    src = zipfile.ZipFile(io.BytesIO(data))
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as dst:
        for item in src.infolist():
            content = src.read(item.filename)
            if item.filename == "xl/workbook.xml":
                entries = "".join(f'<sheet name="S{i}" sheetId="{i}" r:id="rIdS1"/>' for i in range(1, 1001))
                content = content.replace(b'<sheet name="S1" sheetId="1" r:id="rIdS1"/>', entries.encode())
            dst.writestr(item.filename, content)
    write("thousand_tabs.xlsx", buf.getvalue())


def write_cells_packed_tight():
    """1.6 million one-digit cells in a small file: more than its size can honestly hold."""
    import xlsx_parts
    row = "<row>" + "<c><v>1</v></c>" * 40 + "</row>"
    write("cells_packed_tight.xlsx", xlsx_parts.package([("a", xlsx_parts.sheet(row * 40000))]))


def with_crc(data, name, crc):
    """The package with the CRC-32 that its local and central headers state for one entry
    replaced: the part inflates as before, but no longer to what the entry states."""
    import struct
    out = bytearray(data)
    entry = zipfile.ZipFile(io.BytesIO(data)).getinfo(name)
    out[entry.header_offset + 14:entry.header_offset + 18] = struct.pack("<I", crc)
    at = out.find(b"PK\x01\x02")
    while at >= 0:
        length = struct.unpack_from("<H", out, at + 28)[0]
        if bytes(out[at + 46:at + 46 + length]) == name.encode():
            out[at + 16:at + 20] = struct.pack("<I", crc)
        at = out.find(b"PK\x01\x02", at + 46)
    return bytes(out)


def write_parts_that_fail_their_check():
    """Parts that fail `unzip -t`: a stored sheet with a value changed after it was written
    (read a piece at a time), and deflated shared strings and workbook part whose entries
    state another CRC-32 (read on their own thread, and whole)."""
    import xlsx_parts
    strings = ('<?xml version="1.0" encoding="UTF-8"?><sst xmlns="%s" count="1" uniqueCount="1">'
               "<si><t>甲公司</t></si></sst>" % xlsx_parts.MAIN)
    rows = '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1"><v>1234</v></c></row>'
    good_package = xlsx_parts.package([("a", xlsx_parts.sheet(rows))], shared_strings=strings)
    src = zipfile.ZipFile(io.BytesIO(good_package))
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as dst:
        for item in src.infolist():
            kind = zipfile.ZIP_STORED if item.filename == "xl/sheets/s1.xml" else zipfile.ZIP_DEFLATED
            dst.writestr(zipfile.ZipInfo(item.filename, item.date_time), src.read(item.filename), kind)
    stored = buf.getvalue()
    assert stored.count(b"<v>1234</v>") == 1
    write("crc_sheet.xlsx", stored.replace(b"<v>1234</v>", b"<v>1284</v>"))
    write("crc_strings.xlsx", with_crc(good_package, "xl/strings.xml", 0x12345678))
    write("crc_workbook.xlsx", with_crc(good_package, "xl/workbook.xml", 0x12345678))


def write_binary_workbook():
    """The parts of an Excel binary workbook (.xlsb): records where XML would be."""
    buf = io.BytesIO()
    rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml",
                   '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                   '<Override PartName="/xl/workbook.bin" ContentType="application/vnd.ms-excel.sheet.binary.macroEnabled.main"/>'
                   "</Types>")
        z.writestr("_rels/.rels",
                   '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   f'<Relationship Id="rId1" Type="{rel}/officeDocument" Target="xl/workbook.bin"/></Relationships>')
        z.writestr("xl/workbook.bin", bytes([0x83, 0x01, 0x00, 0x80, 0x01, 0x00]))
        z.writestr("xl/worksheets/sheet1.bin", bytes([0x81, 0x01, 0x00, 0x82, 0x01, 0x00]))
    write("binary_workbook.xlsb", buf.getvalue())


def write_beta_shared_strings():
    """As Excel 2007's beta wrote its strings: a namespace of its own and <sstItem> for
    <si>. The cells refer to strings the reader cannot find."""
    import xlsx_parts
    strings = ('<?xml version="1.0" encoding="UTF-8"?>'
               '<sst xmlns="http://schemas.microsoft.com/office/excel/2006/2" count="2" uniqueCount="2">'
               "<sstItem><t>客户名称</t></sstItem><sstItem><t>甲公司</t></sstItem></sst>")
    rows = ('<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1"><v>1</v></c></row>'
            '<row r="2"><c r="A2" t="s"><v>1</v></c><c r="B2"><v>2</v></c></row>')
    write("beta_shared_strings.xlsx",
          xlsx_parts.package([("a", xlsx_parts.sheet(rows))], shared_strings=strings))


if __name__ == "__main__":
    main()
