#include "history/Param.h"

#include <QHash>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace korvel {

namespace {

constexpr std::array<const char*, kParamCount> kCodes = {
    "L1A", "L2A", "L3A", "L1B", "L2B", "L3B", "L1C", "L2C", "L3C", "L1D", "L2D", "L3D", "L1E", "L2E",
    "L3E", "L1F", "L2F", "L3F", "L1G", "L2G", "L3G", "L2H", "L3H", "L4H", "L5H", "L1H", "L1I", "L2I",
    "L3I", "L1J", "L2J", "L3J", "L1K", "L2K", "L3K", "L1L", "L2L", "L3L", "L1P", "L2P", "L3P", "L1Q",
    "L2Q", "L3Q", "L1M", "L2M", "L3M", "L4M", "L5M", "LH",  "LI",  "LJ",  "LK",  "LL",  "LM",  "LN",
    "LO",  "LP",  "LQ",  "LR",  "LS",  "LT",  "LU",  "LV",  "LW",  "LX",  "LY",  "QH",  "QHW", "SQH",
    "SQHW", "RQ", "RQW", "YF",  "YFW", "NF",  "NFW",
};

std::array<QString, kParamCount> buildNames()
{
    std::array<QString, kParamCount> names;
    const QString positions[3] = {QStringLiteral("百位"), QStringLiteral("十位"), QStringLiteral("个位")};
    // Families addressed as position name + suffix, in vocabulary order of their first number.
    const struct {
        int first;
        const char* suffix;
    } families[] = {{1, "码"},      {4, "大小"},     {7, "单双"},   {10, "5余"},    {13, "3余"},    {16, "5段"},
                    {19, "平方"},   {27, "互补数"}, {30, "2指数方"}, {33, "立方"}, {39, "邻号和"}, {42, "邻号差"}};
    for (const auto& f : families) {
        for (int p = 0; p < 3; ++p) {
            names[f.first - 1 + p] = positions[p] + QString::fromUtf8(f.suffix);
        }
    }
    const char* fixed[][2] = {
        {"22", "除5余2"},   {"23", "除5余3"},   {"24", "除5余4"},   {"25", "除5余0"},   {"26", "除5余1"},
        {"36", "除3余1"},   {"37", "除3余2"},   {"38", "除3余0"},   {"45", "最大振幅"}, {"46", "合数个"},
        {"47", "合数和"},   {"48", "质数个"},   {"49", "质数和"},   {"50", "和数"},     {"51", "和个位"},
        {"52", "大数个"},   {"53", "大数和"},   {"54", "小数个"},   {"55", "小数和"},   {"56", "奇数个"},
        {"57", "奇数和"},   {"58", "偶数个"},   {"59", "偶数和"},   {"60", "数字个数"}, {"61", "同号个数"},
        {"62", "跨度"},     {"63", "连同号"},   {"64", "连顺号"},   {"65", "逆顺号"},   {"66", "重上期号"},
        {"67", "同上期数"}, {"68", "本期号"},   {"69", "本期号合"}, {"70", "上期号"},   {"71", "上期号合"},
        {"72", "日期"},     {"73", "日期合"},   {"74", "月份"},     {"75", "月份合"},   {"76", "年份"},
        {"77", "年份合"},
    };
    for (const auto& row : fixed) {
        names[QByteArray(row[0]).toInt() - 1] = QString::fromUtf8(row[1]);
    }
    return names;
}

const std::array<QString, kParamCount>& names()
{
    static const auto table = buildNames();
    return table;
}

} // namespace

const char* paramCode(Param p)
{
    return kCodes[paramIndex(p)];
}

std::optional<Param> paramFromCode(QStringView code)
{
    // Codes are at most four ASCII letters and digits: a code of ASCII characters is upper-cased into one
    // 32-bit key and found without an allocation (the compiler looks up every column of every formula).
    static const std::array<std::pair<std::uint32_t, int>, kParamCount> byKey = [] {
        std::array<std::pair<std::uint32_t, int>, kParamCount> keys{};
        for (int i = 0; i < kParamCount; ++i) {
            std::uint32_t key = 0;
            for (const char* c = kCodes[static_cast<std::size_t>(i)]; *c; ++c) {
                key = key << 8 | static_cast<unsigned char>(*c);
            }
            keys[static_cast<std::size_t>(i)] = {key, i};
        }
        std::sort(keys.begin(), keys.end());
        return keys;
    }();
    const bool ascii =
        std::all_of(code.begin(), code.end(), [](QChar c) { return c.unicode() > 0 && c.unicode() < 0x80; });
    if (ascii) {
        if (code.size() > 4) {
            return std::nullopt;
        }
        std::uint32_t key = 0;
        for (const QChar c : code) {
            const char16_t u = c.unicode();
            key = key << 8 | static_cast<std::uint32_t>(u >= 'a' && u <= 'z' ? u - 'a' + 'A' : u);
        }
        const auto it = std::lower_bound(byKey.begin(), byKey.end(), std::pair<std::uint32_t, int>{key, 0});
        if (it == byKey.end() || it->first != key) {
            return std::nullopt;
        }
        return paramAt(it->second);
    }
    // Other characters may upper-case into ASCII ones (the dotless i into I): Unicode's rule decides.
    static const QHash<QString, int> byCode = [] {
        QHash<QString, int> h;
        for (int i = 0; i < kParamCount; ++i) {
            h.insert(QString::fromLatin1(kCodes[i]), i);
        }
        return h;
    }();
    const auto it = byCode.constFind(code.toString().toUpper());
    if (it == byCode.cend()) {
        return std::nullopt;
    }
    return paramAt(it.value());
}

Param vocabularyParam(int number)
{
    return paramAt(number - 1);
}

QString vocabularyName(int number)
{
    if (number < 1 || number > kParamCount) {
        return {};
    }
    return names()[number - 1];
}

std::optional<int> vocabularyNumberOfName(QStringView name)
{
    for (int i = 0; i < kParamCount; ++i) {
        if (names()[i] == name) {
            return i + 1;
        }
    }
    return std::nullopt;
}

} // namespace korvel
