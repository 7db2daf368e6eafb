#include "platform/TextCodec.h"

#include <QStringList>

#include <cerrno>
#include <iconv.h>

namespace korvel::textcodec {

namespace {

std::optional<QByteArray> convert(const char* to, const char* from, const QByteArray& input)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    QByteArray out;
    out.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.constData());
    std::size_t inLeft = static_cast<std::size_t>(input.size());
    std::size_t produced = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = out.data() + produced;
        std::size_t outLeft = static_cast<std::size_t>(out.size()) - produced;
        const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        produced = static_cast<std::size_t>(outPtr - out.data());
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            ok = false; // EILSEQ or EINVAL: not convertible or truncated
            break;
        }
    }
    iconv_close(cd);
    if (!ok) {
        return std::nullopt;
    }
    out.resize(static_cast<qsizetype>(produced));
    return out;
}

} // namespace

std::optional<QByteArray> encodeGbk(const QString& text)
{
    return convert("GBK", "UTF-8", text.toUtf8());
}

std::optional<QString> decodeGbk(const QByteArray& bytes)
{
    const auto utf8 = convert("UTF-8", "GBK", bytes);
    if (!utf8) {
        return std::nullopt;
    }
    return QString::fromUtf8(*utf8);
}

bool isValidUtf8(const QByteArray& bytes)
{
    return convert("UTF-16LE", "UTF-8", bytes).has_value();
}

std::optional<QString> decodeTextFile(const QByteArray& bytes)
{
    static const QByteArray bom("\xEF\xBB\xBF", 3);
    if (bytes.startsWith(bom)) {
        const QByteArray rest = bytes.mid(3);
        if (!isValidUtf8(rest)) {
            return std::nullopt;
        }
        return QString::fromUtf8(rest);
    }
    if (bytes.contains('\0')) {
        return std::nullopt; // binary data
    }
    if (isValidUtf8(bytes)) {
        return QString::fromUtf8(bytes);
    }
    return decodeGbk(bytes);
}

std::optional<QByteArray> gbkLines(const QStringList& lines)
{
    QString text;
    for (const QString& l : lines) {
        text += l;
        text += QStringLiteral("\r\n");
    }
    return encodeGbk(text);
}

} // namespace korvel::textcodec
