#include "history/DrawSources.h"

#include "platform/SettingsStore.h"
#include "settings/Options.h"

#include <QRegularExpression>

namespace korvel {

namespace {

QString sectionOf(int game)
{
    return QStringLiteral("DrawSources%1").arg(game == Options::kGamePl3 ? Options::kGamePl3 : Options::kGameFc3d);
}

QString key(const char* name, int index)
{
    return QString::fromLatin1(name) + QString::number(index);
}

} // namespace

QString DrawSource::label() const
{
    QString shown = address;
    if (shown.size() > 60) {
        shown = shown.left(57) + QStringLiteral("...");
    }
    return drawsources::readerName(reader) + QLatin1Char(' ') + shown;
}

namespace drawsources {

QString readerName(SourceReader reader)
{
    switch (reader) {
    case SourceReader::Official:
        return QStringLiteral("official");
    case SourceReader::Chart:
        return QStringLiteral("chart");
    case SourceReader::Text:
        return QStringLiteral("text");
    }
    return {};
}

QString readerCaption(SourceReader reader)
{
    switch (reader) {
    case SourceReader::Official:
        return QStringLiteral("官方开奖数据");
    case SourceReader::Chart:
        return QStringLiteral("开奖走势图页面");
    case SourceReader::Text:
        return QStringLiteral("历史号码文本文件");
    }
    return {};
}

std::optional<SourceReader> readerFromName(const QString& name)
{
    for (SourceReader r : {SourceReader::Official, SourceReader::Chart, SourceReader::Text}) {
        if (name.trimmed().compare(readerName(r), Qt::CaseInsensitive) == 0) {
            return r;
        }
    }
    return std::nullopt;
}

std::vector<DrawSource> defaults(int game)
{
    DrawSource s;
    s.reader = SourceReader::Official;
    if (game == Options::kGamePl3) {
        s.address = QStringLiteral("https://webapi.sporttery.cn/gateway/lottery/getHistoryPageListV1.qry"
                                   "?gameNo=35&provinceId=0&pageSize=30&isVerify=1&pageNo=1");
        s.headers = {{"Referer", "https://static.sporttery.cn/"},
                     {"Accept", "application/json, text/plain, */*"},
                     {"Accept-Language", "zh-CN,zh;q=0.9"}};
    } else {
        s.address = QStringLiteral("https://www.cwl.gov.cn/cwl_admin/front/cwlkj/search/kjxx/findDrawNotice"
                                   "?name=3d&issueCount=30");
        s.headers = {{"Referer", "https://www.cwl.gov.cn/"},
                     {"Accept", "application/json, text/javascript, */*; q=0.01"},
                     {"Accept-Language", "zh-CN,zh;q=0.9"},
                     {"X-Requested-With", "XMLHttpRequest"}};
    }
    return {s};
}

std::vector<DrawSource> load(const SettingsStore& settings, int game)
{
    const QString section = sectionOf(game);
    if (!settings.contains(section, QStringLiteral("Count"))) {
        std::vector<DrawSource> list = defaults(game);
        const QString host = settings.value(QStringLiteral("IniSetting"), QStringLiteral("ChartHost")).trimmed();
        if (!host.isEmpty()) {
            DrawSource chart;
            chart.reader = SourceReader::Chart;
            chart.address = host;
            list.push_back(chart);
        }
        return list;
    }
    std::vector<DrawSource> list;
    const int count = settings.intValue(section, QStringLiteral("Count"), 0);
    for (int i = 1; i <= count; ++i) {
        const std::optional<SourceReader> reader = readerFromName(settings.value(section, key("Reader", i)));
        const QString address = settings.value(section, key("Address", i)).trimmed();
        if (!reader || address.isEmpty()) {
            continue; // a damaged entry is dropped, not guessed at
        }
        DrawSource s;
        s.reader = *reader;
        s.address = address;
        s.enabled = settings.boolValue(section, key("Enabled", i), true);
        s.headers = parseHeaders(settings.value(section, key("Headers", i)));
        list.push_back(s);
    }
    return list;
}

void save(SettingsStore& settings, int game, const std::vector<DrawSource>& sources)
{
    const QString section = sectionOf(game);
    for (const QString& k : settings.keys(section)) {
        settings.remove(section, k);
    }
    int i = 0;
    for (const DrawSource& s : sources) {
        ++i;
        settings.setValue(section, key("Reader", i), readerName(s.reader));
        settings.setValue(section, key("Address", i), s.address.trimmed());
        settings.setBool(section, key("Enabled", i), s.enabled);
        settings.setValue(section, key("Headers", i), headersText(s.headers));
    }
    settings.setInt(section, QStringLiteral("Count"), i);
}

QString headersText(const RequestHeaders& headers)
{
    QStringList lines;
    for (const auto& [name, value] : headers) {
        lines << QString::fromLatin1(name) + QStringLiteral(": ") + QString::fromUtf8(value);
    }
    return lines.join(QLatin1Char('\n'));
}

RequestHeaders parseHeaders(const QString& text, int* badLine)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    static const QRegularExpression token(QStringLiteral("^[!#$%&'*+.^_`|~0-9A-Za-z-]+$"));
    RequestHeaders headers;
    if (badLine) {
        *badLine = 0;
    }
    const QStringList lines = text.split(breaks);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty()) {
            continue;
        }
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        const QString name = colon < 0 ? QString() : line.left(colon).trimmed();
        if (name.isEmpty() || !token.match(name).hasMatch()) {
            if (badLine && *badLine == 0) {
                *badLine = static_cast<int>(i) + 1;
            }
            continue;
        }
        headers.emplace_back(name.toLatin1(), line.mid(colon + 1).trimmed().toUtf8());
    }
    return headers;
}

QString addressProblem(const DrawSource& source)
{
    QString address = source.address.trimmed();
    if (address.isEmpty()) {
        return QStringLiteral("没有地址");
    }
    if (source.reader == SourceReader::Chart && !address.contains(QStringLiteral("://"))) {
        address.prepend(QStringLiteral("http://")); // a chart site's host may be given bare
    }
    const QUrl url(address.replace(QStringLiteral("{year}"), QStringLiteral("2000")));
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
        url.host().isEmpty()) {
        return QStringLiteral("地址应以 http:// 或 https:// 开头");
    }
    return {};
}

QByteArray browserUserAgent()
{
    return "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/124.0.0.0 Safari/537.36";
}

bool autoUpdateOnStart(const SettingsStore& settings)
{
    return settings.boolValue(QStringLiteral("IniSetting"), QStringLiteral("AutoUpdateHistory"), false);
}

void setAutoUpdateOnStart(SettingsStore& settings, bool on)
{
    settings.setBool(QStringLiteral("IniSetting"), QStringLiteral("AutoUpdateHistory"), on);
}

} // namespace drawsources
} // namespace korvel
