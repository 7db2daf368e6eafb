#!/usr/bin/env python3
"""Reads files written by Korvel back through xlrd and prints what it found as JSON.

  xls_readback.py probe                     exits 0 when xlrd can be imported
  xls_readback.py workbook FILE             sheets, cells, fills, fonts, column widths, xlrd's warnings
  xls_readback.py streams FILE NAME...      size and SHA-256 of each named stream of a compound file

Both reading modes also check the compound file's sector tables on their own (xlrd tolerates some faults
that Excel does not): every FAT sector is marked as such in the FAT, every DIFAT sector too, the header's
counts match, and the file is a whole number of sectors.
"""
import hashlib
import io
import json
import struct
import sys

import xlrd
from xlrd import compdoc

FREESECT, ENDOFCHAIN, FATSECT, DIFSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFC


def check_container(data):
    problems = []
    if len(data) % 512 != 0:
        problems.append("file size %d is not a whole number of 512-byte sectors" % len(data))
    sectors = len(data) // 512 - 1
    (fat_count, dir_start, _sig, cutoff, _mfat, _nmfat, difat_start, difat_count) = struct.unpack_from(
        "<8I", data, 44)
    if cutoff != 4096:
        problems.append("mini stream cutoff %d" % cutoff)
    fat_sectors = [s for s in struct.unpack_from("<109I", data, 76) if s != FREESECT]
    difat_sectors = []
    sid = difat_start
    while sid != ENDOFCHAIN and len(difat_sectors) <= difat_count:
        if sid >= sectors:
            problems.append("DIFAT chain points past the end of the file: %d" % sid)
            break
        difat_sectors.append(sid)
        entries = struct.unpack_from("<128I", data, 512 + 512 * sid)
        fat_sectors += [s for s in entries[:127] if s != FREESECT]
        sid = entries[127]
    if len(difat_sectors) != difat_count:
        problems.append("header counts %d DIFAT sectors, chain has %d" % (difat_count, len(difat_sectors)))
    if len(fat_sectors) != fat_count:
        problems.append("header counts %d FAT sectors, DIFAT lists %d" % (fat_count, len(fat_sectors)))
    fat = []
    for s in fat_sectors:
        fat += struct.unpack_from("<128I", data, 512 + 512 * s)
    if len(fat) < sectors:
        problems.append("FAT maps %d sectors, file has %d" % (len(fat), sectors))
    for s in fat_sectors:
        if s < len(fat) and fat[s] != FATSECT:
            problems.append("FAT sector %d is not marked FATSECT" % s)
    for s in difat_sectors:
        if s < len(fat) and fat[s] != DIFSECT:
            problems.append("DIFAT sector %d is not marked DIFSECT" % s)
    for s in range(sectors, len(fat)):
        if fat[s] != FREESECT:
            problems.append("FAT entry %d past the end of the file is in use" % s)
            break
    if dir_start >= sectors:
        problems.append("directory starts past the end of the file")
    return {"fat_sectors": fat_count, "difat_sectors": difat_count, "problems": problems}


def rgb_hex(book, index):
    rgb = book.colour_map.get(index)
    return None if rgb is None else "%02X%02X%02X" % rgb


def read_workbook(path):
    with open(path, "rb") as f:
        data = f.read()
    log = io.StringIO()
    book = xlrd.open_workbook(file_contents=data, formatting_info=True, ragged_rows=True, logfile=log,
                                verbosity=1)
    result = {
        "container": check_container(data),
        "biff_version": book.biff_version,
        "codepage": book.codepage,
        "sheets": book.sheet_names(),
    }
    sheet = book.sheet_by_index(0)
    result["nrows"], result["ncols"] = sheet.nrows, sheet.ncols
    cells, styles = [], []
    for r in range(sheet.nrows):
        for c, cell in enumerate(sheet.row(r)):
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            cells.append([r, c, cell.ctype, cell.value])
            xf = book.xf_list[cell.xf_index]
            pattern = xf.background.fill_pattern
            bold = book.font_list[xf.font_index].weight >= 700
            if pattern or bold:
                fill = rgb_hex(book, xf.background.pattern_colour_index) if pattern else None
                styles.append([r, c, pattern, fill, bold])
    result["cells"] = cells
    result["styles"] = styles
    result["column_widths"] = {str(c): info.width for c, info in sheet.colinfo_map.items()}
    result["warnings"] = [line for line in log.getvalue().splitlines() if "WARNING" in line or "ERROR" in line]
    return result


def read_streams(path, names):
    with open(path, "rb") as f:
        data = f.read()
    log = io.StringIO()
    doc = compdoc.CompDoc(data, logfile=log)
    streams = {}
    for name in names:
        stream = doc.get_named_stream(name)
        streams[name] = None if stream is None else {
            "size": len(stream), "sha256": hashlib.sha256(stream).hexdigest()}
    return {"container": check_container(data), "streams": streams, "warnings": log.getvalue().splitlines()}


def main(argv):
    if len(argv) >= 2 and argv[1] == "probe":
        return 0
    if len(argv) == 3 and argv[1] == "workbook":
        result = read_workbook(argv[2])
    elif len(argv) >= 4 and argv[1] == "streams":
        result = read_streams(argv[2], argv[3:])
    else:
        sys.stderr.write(__doc__)
        return 2
    json.dump(result, sys.stdout, ensure_ascii=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
