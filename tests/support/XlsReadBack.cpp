#include "support/XlsReadBack.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QProcess>

namespace korvel::test {

namespace {

QString script()
{
    return QStringLiteral(KORVEL_TEST_DATA "/../support/xls_readback.py");
}

struct Run {
    bool ok = false;
    QByteArray out;
    QString error;
};

Run runWith(const QString& python, const QStringList& args)
{
    QProcess p;
    p.start(python, QStringList{script()} + args);
    Run run;
    if (!p.waitForStarted(10000)) {
        run.error = python + QStringLiteral(" could not be started");
        return run;
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        run.error = QStringLiteral("xls_readback.py did not finish");
        return run;
    }
    run.out = p.readAllStandardOutput();
    run.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!run.ok) {
        run.error = QString::fromUtf8(p.readAllStandardError()).trimmed();
    }
    return run;
}

// The first interpreter that can import xlrd: the system one (where Debian installs python3-xlrd), then
// whatever python3 is first on PATH.
const QString& python()
{
    static const QString found = [] {
        for (const QString& candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
            if (runWith(candidate, {QStringLiteral("probe")}).ok) {
                return candidate;
            }
        }
        return QString();
    }();
    return found;
}

QJsonObject parse(const Run& run, QString* error)
{
    if (!run.ok) {
        *error = run.error;
        return {};
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out, &parseError);
    if (!doc.isObject()) {
        *error = QStringLiteral("unreadable output of xls_readback.py: ") + parseError.errorString();
        return {};
    }
    return doc.object();
}

} // namespace

QString XlsReadBack::unavailableReason()
{
    if (!QFile::exists(script())) {
        return QStringLiteral("tests/support/xls_readback.py is missing");
    }
    if (python().isEmpty()) {
        return QStringLiteral("python3-xlrd is not installed (no python3 can import xlrd); "
                              "scripts/install-deps installs it");
    }
    return {};
}

QJsonObject XlsReadBack::workbook(const QString& path, QString* error)
{
    return parse(runWith(python(), {QStringLiteral("workbook"), path}), error);
}

QJsonObject XlsReadBack::streams(const QString& path, const QStringList& names, QString* error)
{
    return parse(runWith(python(), QStringList{QStringLiteral("streams"), path} + names), error);
}

} // namespace korvel::test
