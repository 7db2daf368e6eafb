#include "history/BundledHistory.h"

#include "history/HistorySnapshot.h"
#include "history/HistoryStore.h"
#include "platform/TextCodec.h"
#include "settings/Options.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace korvel {

namespace {

// Issues compare in their four-digit-year form: "04001" is "2004001".
QString fullIssue(const QString& issue)
{
    return issue.size() == 5 ? QStringLiteral("20") + issue : issue;
}

} // namespace

QString bundledHistoryFileName(int game)
{
    return game == Options::kGamePl3 ? QStringLiteral("pl3_draws.tsv") : QStringLiteral("fc3d_draws.tsv");
}

QStringList bundledHistoryFolders()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    return {programDir.path(), QDir::cleanPath(programDir.filePath(QStringLiteral("../share/korvel")))};
}

BundledHistory loadBundledHistory(int game, const QStringList& folders)
{
    BundledHistory b;
    b.game = game;
    const QString name = bundledHistoryFileName(game);
    for (const QString& folder : folders) {
        const QString candidate = QDir(folder).filePath(name);
        if (QFile::exists(candidate)) {
            b.path = candidate;
            break;
        }
    }
    if (b.path.isEmpty()) {
        QStringList looked;
        for (const QString& folder : folders) {
            looked << QDir::toNativeSeparators(folder);
        }
        b.error = QStringLiteral("找不到随程序提供的历史号码文件 %1（查找了：%2）")
                      .arg(name, looked.isEmpty() ? QStringLiteral("无") : looked.join(QStringLiteral("、")));
        return b;
    }
    const QString shownPath = QDir::toNativeSeparators(b.path);
    QFile file(b.path);
    if (!file.open(QIODevice::ReadOnly)) {
        b.error = QStringLiteral("无法读取随程序提供的历史号码文件 %1（%2）").arg(shownPath, file.errorString());
        return b;
    }
    const std::optional<QString> text = textcodec::decodeTextFile(file.readAll());
    if (!text) {
        b.error = QStringLiteral("随程序提供的历史号码文件 %1 已损坏（不是文本文件）").arg(shownPath);
        return b;
    }
    const DrawFileRead read = readDrawLines(splitLines(*text));
    const std::vector<DrawFileLine>& lines = read.lines;
    const std::vector<RejectedDrawLine>& rejected = read.rejected;
    if (!rejected.empty()) {
        b.error = QStringLiteral("随程序提供的历史号码文件 %1 已损坏（第 %2 行：%3）")
                      .arg(shownPath)
                      .arg(rejected.front().number)
                      .arg(rejected.front().reason);
        return b;
    }
    if (lines.empty()) {
        b.error = QStringLiteral("随程序提供的历史号码文件 %1 已损坏（没有任何号码）").arg(shownPath);
        return b;
    }
    // A shipped history is written in issue order; anything else means the file was cut or mixed.
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const QString issue = fullIssue(lines[i].issue);
        const QString before = fullIssue(lines[i - 1].issue);
        if (issue <= before) {
            b.error = QStringLiteral("随程序提供的历史号码文件 %1 已损坏（第 %2 行：期号 %3 %4）")
                          .arg(shownPath)
                          .arg(lines[i].number)
                          .arg(lines[i].issue,
                               issue == before ? QStringLiteral("与上一行重复") : QStringLiteral("不在上一行之后"));
            return b;
        }
    }
    b.text = *text;
    b.draws = static_cast<int>(lines.size());
    b.lastIssue = fullIssue(lines.back().issue);
    return b;
}

DrawFileReport importBundledDraws(Database& db, HistoryStore& store, const BundledHistory& bundled)
{
    if (!bundled.usable()) {
        DrawFileReport report;
        report.error = bundled.error;
        return report;
    }
    const SnapshotPtr history = store.snapshot();
    if (history->empty()) {
        return importDrawText(db, store, bundled.text, bundled.game);
    }
    // Only what follows the newest stored draw: the older lines would be refused one by one as lying
    // before it, and the stored ones are the user's.
    const QString newest = fullIssue(history->issue(history->size() - 1));
    QStringList newer;
    for (const DrawFileLine& line : readDrawLines(splitLines(bundled.text)).lines) {
        if (fullIssue(line.issue) > newest) {
            newer << line.text;
        }
    }
    if (newer.isEmpty()) {
        // Nothing newer: the history is up to the shipped one, which is no failure. The older lines were
        // not offered to the import, so none counts as skipped.
        DrawFileReport report;
        report.ok = true;
        return report;
    }
    return importDrawText(db, store, newer.join(QLatin1Char('\n')), bundled.game);
}

QString bundledImportTitle()
{
    return QStringLiteral("导入内置历史");
}

QString bundledOfferText(const BundledHistory& bundled)
{
    return QStringLiteral("历史号码为空，是否导入随程序提供的 %1 期历史号码（至 %2 期）？")
        .arg(bundled.draws)
        .arg(bundled.lastIssue);
}

} // namespace korvel
