#pragma once

#include "support/TestData.h"
#include "support/TestHttpServer.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace korvel::test {

// The samples of tests/data/sources (copies of the real sources' layouts with real draws) and a loopback
// server that serves them, and pages of the bundled histories in the official JSON layouts.
QByteArray sourceSample(const QString& name);
QString sourceSamplePath(const QString& name);

// Official JSON pages from real draws given newest first (the page's share of them is taken here).
QByteArray fc3dNoticeJson(const std::vector<DrawLine>& newestFirst, int pageNo, int pageSize);
QByteArray pl3HistoryJson(const std::vector<DrawLine>& newestFirst, int pageNo, int pageSize);

// Routes:
//   /samples/NAME          the sample file (JSON as application/json; the HTML with the charset it declares)
//   /fc3d?pageNo=&pageSize= (or issueCount=)   the bundled 福彩3D history up to fc3dNewest, as draw notices
//   /pl3?pageNo=&pageSize=                      the bundled 排列3 history up to pl3Newest, as history JSON
//   /home                  a home page that sets the cookie "visit=1"
// `override` answers first when it returns a response (behaviours, delays, errors).
class SourceServer {
public:
    SourceServer();

    bool listen() { return m_server->listen(); }
    QString url(const QString& path) const { return m_server->baseUrl() + path; }
    TestHttpServer& http() { return *m_server; }

    QString fc3dNewest = QStringLiteral("2026253");
    QString pl3Newest = QStringLiteral("26246");
    std::function<std::optional<TestHttpServer::Response>(const TestHttpServer::Request&)> override;

    // Pages asked for, as "fc3d 2" / "pl3 1" / "samples fc3d-notice.json".
    QStringList asked() const;

private:
    TestHttpServer::Response serve(const TestHttpServer::Request& request);

    std::unique_ptr<TestHttpServer> m_server;
    std::vector<DrawLine> m_fc3d; // newest first
    std::vector<DrawLine> m_pl3;
};

} // namespace korvel::test
