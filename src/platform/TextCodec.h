#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace korvel {

// Text files of the system (formula lists, exports) are GBK with CR LF line ends; these helpers convert
// through glibc iconv. Conversions are strict: a character or byte sequence that does not convert gives
// nullopt rather than a silently damaged text.
namespace textcodec {

std::optional<QByteArray> encodeGbk(const QString& text);
std::optional<QString> decodeGbk(const QByteArray& bytes);
bool isValidUtf8(const QByteArray& bytes);

// A file's text: UTF-8 when the bytes are valid UTF-8 (a BOM is dropped), else GBK; nullopt when neither
// reads (binary data, a truncated multi-byte character).
std::optional<QString> decodeTextFile(const QByteArray& bytes);

// Joins lines with CR LF (each line ended, the last one too) and encodes them as GBK.
std::optional<QByteArray> gbkLines(const QStringList& lines);

} // namespace textcodec
} // namespace korvel
