"""Builds .xlsx packages from hand-written parts, for cases no library writes."""
import io
import zipfile

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG_REL = "http://schemas.openxmlformats.org/package/2006/relationships"


def package(sheets, shared_strings=None, styles=None, active_tab=0, date1904=False,
            workbook_folder="xl"):
    """sheets: list of (name, sheet xml). Returns the .xlsx bytes."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
        z.writestr("_rels/.rels",
                   f'<?xml version="1.0"?><Relationships xmlns="{PKG_REL}">'
                   f'<Relationship Id="rId1" Type="{REL}/officeDocument" Target="/{workbook_folder}/workbook.xml"/>'
                   "</Relationships>")
        sheet_entries = "".join(
            f'<sheet name="{name}" sheetId="{i + 1}" r:id="rIdS{i + 1}"/>' for i, (name, _) in enumerate(sheets))
        pr = '<workbookPr date1904="1"/>' if date1904 else "<workbookPr/>"
        z.writestr(f"{workbook_folder}/workbook.xml",
                   f'<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="{MAIN}" xmlns:r="{REL}">{pr}'
                   f'<bookViews><workbookView activeTab="{active_tab}"/></bookViews>'
                   f"<sheets>{sheet_entries}</sheets></workbook>")
        rels = "".join(
            f'<Relationship Id="rIdS{i + 1}" Type="{REL}/worksheet" Target="sheets/s{i + 1}.xml"/>'
            for i in range(len(sheets)))
        if shared_strings is not None:
            rels += f'<Relationship Id="rIdSS" Type="{REL}/sharedStrings" Target="strings.xml"/>'
            z.writestr(f"{workbook_folder}/strings.xml", shared_strings)
        if styles is not None:
            rels += f'<Relationship Id="rIdST" Type="{REL}/styles" Target="../{workbook_folder}/styles.xml"/>'
            z.writestr(f"{workbook_folder}/styles.xml", styles)
        z.writestr(f"{workbook_folder}/_rels/workbook.xml.rels",
                   f'<?xml version="1.0"?><Relationships xmlns="{PKG_REL}">{rels}</Relationships>')
        for i, (_, xml) in enumerate(sheets):
            z.writestr(f"{workbook_folder}/sheets/s{i + 1}.xml", xml)
    return buf.getvalue()


def sheet(rows_xml, prefix=""):
    p = prefix + ":" if prefix else ""
    ns = f'xmlns:{prefix}="{MAIN}"' if prefix else f'xmlns="{MAIN}"'
    return f'<?xml version="1.0" encoding="UTF-8"?><{p}worksheet {ns}><{p}sheetData>{rows_xml}</{p}sheetData></{p}worksheet>'
