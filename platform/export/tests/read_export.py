# Reads an exported file back with a reader that shares nothing with the
# writer, and prints what it finds, one fact a line, tab-separated:
#   title <TAB> the document's title
#   cell <TAB> row <TAB> column <TAB> type <TAB> value   (rows and columns from 0; row 0 is the heading)
#   fact <TAB> name <TAB> value                           (anything else worth checking)
# Types: s text, n number, d date, t time, f formula (value = formula, then "=" and the kept value).
import sys


def out(*fields):
    print("\t".join(str(f) for f in fields))


def number(value):
    text = repr(float(value))
    return text[:-2] if text.endswith(".0") else text


def read_xlsx(path):
    import datetime
    import openpyxl
    formulas = openpyxl.load_workbook(path)
    values = openpyxl.load_workbook(path, data_only=True)
    out("title", formulas.properties.title or "")
    sheet, kept = formulas.active, values.active
    out("fact", "sheet", sheet.title)
    for r, row in enumerate(sheet.iter_rows()):
        for c, cell in enumerate(row):
            value = cell.value
            if value is None:
                continue
            if cell.data_type == "f":
                out("cell", r, c, "f", value + "=" + number(kept.cell(row=r + 1, column=c + 1).value))
            elif isinstance(value, datetime.datetime):
                out("cell", r, c, "d", value.date().isoformat())
            elif isinstance(value, datetime.time):
                out("cell", r, c, "t", value.strftime("%H:%M:%S"))
            elif isinstance(value, (int, float)):
                out("cell", r, c, "n", number(value))
                out("fact", "format%d,%d" % (r, c), cell.number_format)
            else:
                out("cell", r, c, "s", value)


def read_ods(path):
    import zipfile
    from odf.opendocument import load
    from odf import table, teletype, dc
    with zipfile.ZipFile(path) as z:
        first = z.infolist()[0]
        out("fact", "first", first.filename)
        out("fact", "stored", int(first.compress_type == zipfile.ZIP_STORED))
    doc = load(path)
    titles = doc.meta.getElementsByType(dc.Title)
    out("title", teletype.extractText(titles[0]) if titles else "")
    sheet = doc.spreadsheet.getElementsByType(table.Table)[0]
    out("fact", "sheet", sheet.getAttribute("name"))
    for r, row in enumerate(sheet.getElementsByType(table.TableRow)):
        for c, cell in enumerate(row.getElementsByType(table.TableCell)):
            kind = cell.getAttribute("valuetype")
            if kind is None:
                continue
            text = "\n".join(teletype.extractText(p) for p in cell.childNodes if p.qname[1] == "p")
            formula = cell.getAttribute("formula")
            if formula:
                out("cell", r, c, "f", formula + "=" + number(cell.getAttribute("value")))
            elif kind == "float":
                out("cell", r, c, "n", number(cell.getAttribute("value")))
                out("fact", "shown%d,%d" % (r, c), text)
            elif kind == "date":
                out("cell", r, c, "d", cell.getAttribute("datevalue"))
            elif kind == "time":
                out("cell", r, c, "t", cell.getAttribute("timevalue"))
            else:
                out("cell", r, c, "s", text)


def read_docx(path):
    import docx
    doc = docx.Document(path)
    out("title", doc.core_properties.title or "")
    out("fact", "heading", doc.paragraphs[0].text)
    grid = doc.tables[0]._tbl.tblGrid
    out("fact", "grid", len(grid.gridCol_lst))
    for r, row in enumerate(doc.tables[0].rows):
        for c, cell in enumerate(row.cells):
            if cell.text:
                out("cell", r, c, "s", cell.text)


def read_html(path):
    from html.parser import HTMLParser

    class Reader(HTMLParser):
        def __init__(self):
            super().__init__(convert_charrefs=True)
            self.rows, self.cell, self.title, self.where = [], None, "", None

        def handle_starttag(self, tag, attrs):
            if tag == "tr":
                self.rows.append([])
            elif tag in ("td", "th"):
                self.cell = ""
            elif tag == "br" and self.cell is not None:
                self.cell += "\n"
            elif tag == "title":
                self.where = "title"

        def handle_endtag(self, tag):
            if tag in ("td", "th"):
                self.rows[-1].append(self.cell)
                self.cell = None
            elif tag == "title":
                self.where = None

        def handle_data(self, data):
            if self.cell is not None:
                self.cell += data
            elif self.where == "title":
                self.title += data

    reader = Reader()
    with open(path, encoding="utf-8") as f:
        reader.feed(f.read())
    out("title", reader.title)
    # Rows in the order of the file, as a word processor reads them.
    for r, row in enumerate(reader.rows):
        for c, text in enumerate(row):
            if text:
                out("cell", r, c, "s", text)


def read_xml(path):
    import xml.etree.ElementTree as ET
    root = ET.parse(path).getroot()
    out("title", root.get("title"))
    for column in root.find("columns"):
        c = int(column.get("number")) - 1
        out("cell", 0, c, "s", column.text or "")
        out("fact", "type%d" % c, column.get("type"))
    rows = root.find("rows")
    for r, row in enumerate(rows, start=1):
        for cell in row:
            c = int(cell.get("column")) - 1
            if cell.text:
                out("cell", r, c, "s", cell.text)
            if cell.get("value") is not None:
                out("fact", "value%d,%d" % (r, c), cell.get("value"))
    totals = root.find("totals")
    if totals is not None:
        for total in totals:
            c = int(total.get("column")) - 1
            out("cell", len(rows) + 1, c, "s", total.text)


def read_txt(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    out("title", lines[0])
    for n, line in enumerate(lines[2:]):
        out("fact", "line%d" % n, line)


kind = sys.argv[1].rsplit(".", 1)[1]
{"xlsx": read_xlsx, "ods": read_ods, "docx": read_docx, "html": read_html, "xml": read_xml,
 "txt": read_txt}[kind](sys.argv[1])
