#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace korvel::test {

// Reads .xls files back through python3-xlrd (tests/support/xls_readback.py), an implementation of the
// format independent of ours. Every export test uses it to check what a spreadsheet application would see.
class XlsReadBack {
public:
    // Empty when xlrd can be used; otherwise why not (tests skip with it).
    static QString unavailableReason();

    // The workbook as xlrd reads it: "sheets", "nrows", "ncols", "cells" ([row, col, ctype, value] for every
    // non-empty cell, xlrd's ctype 1 text, 2 number, 6 blank), "styles" ([row, col, fill pattern, fill
    // "RRGGBB", bold] for filled or bold cells), "column_widths" (column -> 1/256 characters), "warnings"
    // (xlrd's), "container" (the compound file's own check: "fat_sectors", "difat_sectors", "problems").
    // An empty object when the file could not be read, with the reason in *error.
    static QJsonObject workbook(const QString& path, QString* error);

    // Size and SHA-256 of each named stream of a compound file: "streams" -> name -> {"size", "sha256"},
    // plus "container" as above.
    static QJsonObject streams(const QString& path, const QStringList& names, QString* error);
};

} // namespace korvel::test

// In a test body: skips the test, saying why, when xlrd cannot read the files back.
#define KORVEL_SKIP_WITHOUT_XLS_READBACK()                                                                             \
    do {                                                                                                               \
        if (const QString why = ::korvel::test::XlsReadBack::unavailableReason(); !why.isEmpty()) {                    \
            GTEST_SKIP() << why.toStdString();                                                                         \
        }                                                                                                              \
    } while (false)
