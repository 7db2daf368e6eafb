#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>
#include <utility>
#include <vector>

namespace korvel {

class SettingsStore;

// Where the online update gets draws from. A source is a reader, an address and request headers; each
// game has an ordered list of them, tried one after the other (history/OnlineUpdate.h), kept in the
// settings file and edited in "设置" → "在线更新设置".
//
// Readers (history/SourceReaders.h):
//   official  the lotteries' own results JSON: for 福彩3D the draw-notice JSON of www.cwl.gov.cn, for 排列3
//             the history JSON of webapi.sporttery.cn; paged back with `pageNo`;
//   chart     a results chart page: the year-page layout (date, "YYYY-kkk", digits) or the usual table (issue,
//             date, digits in their own cells); an address with "{year}", or a bare host (a chart site's
//             year pages, history/ChartPages.h), is one page per year;
//   text      a plain-text history file at an address, read as `history import` reads files.
enum class SourceReader { Official, Chart, Text };

using RequestHeaders = std::vector<std::pair<QByteArray, QByteArray>>;

struct DrawSource {
    SourceReader reader = SourceReader::Official;
    QString address;
    bool enabled = true;
    // Sent with every request besides a browser's User-Agent (which a "User-Agent" here replaces). A
    // Referer on the address's own host is visited first, once per run, for the cookies it sets.
    RequestHeaders headers;

    // "official https://www.cwl.gov.cn/…" shortened for messages.
    QString label() const;
    friend bool operator==(const DrawSource&, const DrawSource&) = default;
};

namespace drawsources {

QString readerName(SourceReader reader);    // "official", "chart", "text"
QString readerCaption(SourceReader reader); // "官方开奖数据", "开奖走势图页面", "历史号码文本文件"
std::optional<SourceReader> readerFromName(const QString& name);

// The official sources of a game (`GsZl` 53 or 3) at their real addresses, with the headers the servers
// ask for.
std::vector<DrawSource> defaults(int game);

// The game's list from the settings file (section "DrawSources53" or "DrawSources3"; keys Count, then
// Reader1, Address1, Enabled1, Headers1, ...), the defaults when none is stored. A chart host stored by
// an older version (`IniSetting`/`ChartHost`) joins the defaults as a chart source.
std::vector<DrawSource> load(const SettingsStore& settings, int game);
void save(SettingsStore& settings, int game, const std::vector<DrawSource>& sources);

// "Name: value" a line, and back; a line without a colon or with an empty name is an error (its number
// in *badLine, 1-based).
QString headersText(const RequestHeaders& headers);
RequestHeaders parseHeaders(const QString& text, int* badLine = nullptr);

// The address a request goes to, or an error for one that is not http(s) with a host.
QString addressProblem(const DrawSource& source);

// A browser's User-Agent, sent unless a source names its own.
QByteArray browserUserAgent();

// "启动时自动更新历史号码" (`IniSetting`/`AutoUpdateHistory`, off by default).
bool autoUpdateOnStart(const SettingsStore& settings);
void setAutoUpdateOnStart(SettingsStore& settings, bool on);

} // namespace drawsources
} // namespace korvel
