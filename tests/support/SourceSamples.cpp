#include "support/SourceSamples.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <algorithm>

namespace korvel::test {

namespace {

QString weekday(const QDate& d)
{
    static const QStringList names{"一", "二", "三", "四", "五", "六", "日"};
    return names[d.dayOfWeek() - 1];
}

std::vector<DrawLine> pageOf(const std::vector<DrawLine>& newestFirst, int pageNo, int pageSize)
{
    const std::size_t from = static_cast<std::size_t>(std::max(pageNo - 1, 0)) * static_cast<std::size_t>(pageSize);
    std::vector<DrawLine> out;
    for (std::size_t i = from; i < newestFirst.size() && i < from + static_cast<std::size_t>(pageSize); ++i) {
        out.push_back(newestFirst[i]);
    }
    return out;
}

std::vector<DrawLine> newestFirst(const QString& file, const QString& upTo)
{
    std::vector<DrawLine> all = loadDraws(file);
    std::vector<DrawLine> out;
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (it->issue <= upTo) {
            out.push_back(*it);
        }
    }
    return out;
}

} // namespace

QString sourceSamplePath(const QString& name)
{
    return dataPath(QStringLiteral("sources/") + name);
}

QByteArray sourceSample(const QString& name)
{
    QFile f(sourceSamplePath(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
}

QByteArray fc3dNoticeJson(const std::vector<DrawLine>& draws, int pageNo, int pageSize)
{
    QJsonArray result;
    for (const DrawLine& d : pageOf(draws, pageNo, pageSize)) {
        const QDate date = QDate::fromString(d.date, Qt::ISODate);
        result.append(
            QJsonObject{{"name", "3d"},
                        {"code", d.issue},
                        {"date", d.date + QStringLiteral("(%1)").arg(weekday(date))},
                        {"week", weekday(date)},
                        {"red", QStringLiteral("%1,%2,%3").arg(d.digits[0]).arg(d.digits[1]).arg(d.digits[2])},
                        {"blue", ""},
                        {"sales", "0"}});
    }
    const QJsonObject root{{"state", 0},        {"message", "查询成功"}, {"total", static_cast<int>(draws.size())},
                           {"pageNum", pageNo}, {"pageSize", pageSize},  {"Tflag", 0},
                           {"result", result}};
    return QJsonDocument(root).toJson();
}

QByteArray pl3HistoryJson(const std::vector<DrawLine>& draws, int pageNo, int pageSize)
{
    QJsonArray list;
    for (const DrawLine& d : pageOf(draws, pageNo, pageSize)) {
        list.append(QJsonObject{
            {"lotteryGameName", "排列3"},
            {"lotteryGameNum", "35"},
            {"lotteryDrawNum", d.issue},
            {"lotteryDrawResult", QStringLiteral("%1 %2 %3").arg(d.digits[0]).arg(d.digits[1]).arg(d.digits[2])},
            {"lotteryDrawTime", d.date}});
    }
    const int total = static_cast<int>(draws.size());
    const QJsonObject value{{"list", list},
                            {"pageNo", pageNo},
                            {"pageSize", pageSize},
                            {"pages", (total + pageSize - 1) / pageSize},
                            {"total", total}};
    const QJsonObject root{{"dataFrom", ""},  {"emptyFlag", false}, {"errorCode", "0"}, {"errorMessage", "处理成功!"},
                           {"success", true}, {"value", value}};
    return QJsonDocument(root).toJson();
}

SourceServer::SourceServer()
    : m_server(std::make_unique<TestHttpServer>([this](const TestHttpServer::Request& r) { return serve(r); }))
{
}

QStringList SourceServer::asked() const
{
    QStringList out;
    for (const TestHttpServer::Request& r : m_server->requests()) {
        const QUrl url = r.url();
        const QString path = url.path().mid(1);
        if (path == QLatin1String("fc3d") || path == QLatin1String("pl3")) {
            const QUrlQuery q(url);
            out << path + QLatin1Char(' ') +
                       (q.hasQueryItem(QStringLiteral("pageNo")) ? q.queryItemValue(QStringLiteral("pageNo"))
                                                                 : QStringLiteral("1"));
        } else {
            out << path.section(QLatin1Char('/'), 0, 0) + QLatin1Char(' ') + path.section(QLatin1Char('/'), 1);
        }
    }
    return out;
}

TestHttpServer::Response SourceServer::serve(const TestHttpServer::Request& request)
{
    if (override) {
        if (auto custom = override(request)) {
            return *custom;
        }
    }
    TestHttpServer::Response r;
    const QUrl url = request.url();
    const QString path = url.path();
    const QUrlQuery query(url);
    const auto number = [&](const char* key, int fallback) {
        const QString v = query.queryItemValue(QString::fromLatin1(key));
        return v.isEmpty() ? fallback : v.toInt();
    };
    if (path.startsWith(QStringLiteral("/samples/"))) {
        const QString name = path.mid(9);
        if (!QFile::exists(sourceSamplePath(name))) {
            r.status = 404;
            r.body = "<html><body>not found</body></html>";
            return r;
        }
        r.body = sourceSample(name);
        if (name.endsWith(QStringLiteral(".json"))) {
            r.contentType = "application/json;charset=UTF-8";
        } else if (name.endsWith(QStringLiteral(".html"))) {
            r.contentType = "text/html"; // the page's own meta tag tells the charset
        } else {
            r.contentType = "text/plain";
        }
        return r;
    }
    if (path == QLatin1String("/fc3d") || path == QLatin1String("/pl3")) {
        const bool fc3d = path == QLatin1String("/fc3d");
        std::vector<DrawLine>& all = fc3d ? m_fc3d : m_pl3;
        all = newestFirst(fc3d ? QStringLiteral("fc3d_draws.tsv") : QStringLiteral("pl3_draws.tsv"),
                          fc3d ? fc3dNewest : pl3Newest);
        const int size = number("pageSize", number("issueCount", 30));
        r.contentType = "application/json;charset=UTF-8";
        r.body = fc3d ? fc3dNoticeJson(all, number("pageNo", 1), size) : pl3HistoryJson(all, number("pageNo", 1), size);
        return r;
    }
    if (path == QLatin1String("/home")) {
        r.headers.append(qMakePair(QByteArray("Set-Cookie"), QByteArray("visit=1; Path=/")));
        r.body = "<html><body>首页</body></html>";
        return r;
    }
    r.status = 404;
    r.body = "<html><body>not found</body></html>";
    return r;
}

} // namespace korvel::test
