#pragma once

#include <QByteArray>
#include <QStringView>

#include <cstdint>

// The record layer of BIFF8, the binary format of Excel 97-2003 workbook streams: every record is a 16-bit
// identifier, a 16-bit length and at most 8224 bytes of data; longer data goes on in CONTINUE records.
namespace korvel::biff {

namespace rec {
constexpr quint16 Eof = 0x000A;
constexpr quint16 CalcCount = 0x000C;
constexpr quint16 CalcMode = 0x000D;
constexpr quint16 Precision = 0x000E;
constexpr quint16 RefMode = 0x000F;
constexpr quint16 Delta = 0x0010;
constexpr quint16 Iteration = 0x0011;
constexpr quint16 Protect = 0x0012;
constexpr quint16 Password = 0x0013;
constexpr quint16 WindowProtect = 0x0019;
constexpr quint16 DateMode = 0x0022;
constexpr quint16 PrintHeaders = 0x002A;
constexpr quint16 PrintGridlines = 0x002B;
constexpr quint16 Font = 0x0031;
constexpr quint16 Continue = 0x003C;
constexpr quint16 Window1 = 0x003D;
constexpr quint16 Backup = 0x0040;
constexpr quint16 CodePage = 0x0042;
constexpr quint16 DefColWidth = 0x0055;
constexpr quint16 WriteAccess = 0x005C;
constexpr quint16 SaveRecalc = 0x005F;
constexpr quint16 ColInfo = 0x007D;
constexpr quint16 Guts = 0x0080;
constexpr quint16 WsBool = 0x0081;
constexpr quint16 GridSet = 0x0082;
constexpr quint16 BoundSheet = 0x0085;
constexpr quint16 HideObj = 0x008D;
constexpr quint16 Palette = 0x0092;
constexpr quint16 FnGroupCount = 0x009C;
constexpr quint16 Mms = 0x00C1;
constexpr quint16 BookBool = 0x00DA;
constexpr quint16 Xf = 0x00E0;
constexpr quint16 InterfaceHdr = 0x00E1;
constexpr quint16 InterfaceEnd = 0x00E2;
constexpr quint16 Sst = 0x00FC;
constexpr quint16 LabelSst = 0x00FD;
constexpr quint16 ExtSst = 0x00FF;
constexpr quint16 TabId = 0x013D;
constexpr quint16 UsesElfs = 0x0160;
constexpr quint16 Dsf = 0x0161;
constexpr quint16 Prot4Rev = 0x01AF;
constexpr quint16 RefreshAll = 0x01B7;
constexpr quint16 Prot4RevPass = 0x01BC;
constexpr quint16 Dimensions = 0x0200;
constexpr quint16 Blank = 0x0201;
constexpr quint16 Number = 0x0203;
constexpr quint16 Row = 0x0208;
constexpr quint16 DefaultRowHeight = 0x0225;
constexpr quint16 Window2 = 0x023E;
constexpr quint16 Style = 0x0293;
constexpr quint16 Bof = 0x0809;
} // namespace rec

constexpr int MaxRecordData = 8224;

// Starts a record of `length` data bytes; the caller appends exactly that many.
void beginRecord(QByteArray& out, std::uint16_t id, int length);
void putRecord(QByteArray& out, std::uint16_t id, const QByteArray& body);
void putRecordU16(QByteArray& out, std::uint16_t id, std::uint16_t value);
// BOF of a BIFF8 substream: 0x0005 workbook globals, 0x0010 worksheet.
void putBof(QByteArray& out, std::uint16_t substreamType);

// Text is stored with 8-bit characters when every character is below U+0100, with UTF-16 units otherwise.
bool needsWideChars(QStringView text);
void putChars(QByteArray& out, QStringView text, bool wide);
// A string with an 8-bit length and its flags byte, as in FONT and BOUNDSHEET records.
void putShortString(QByteArray& out, QStringView text);

} // namespace korvel::biff
