#include "formula/FormulaImport.h"

#include "formula/FormulaLanguage.h"
#include "formula/FormulaStore.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"
#include "platform/SettingsStore.h"
#include "platform/TextCodec.h"
#include "platform/WebFetch.h"

#include <SQLiteCpp/Transaction.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <exception>
#include <set>

namespace korvel {

namespace {

int kindSlot(const FormulaKind& kind)
{
    for (std::size_t i = 0; i < kAllKinds.size(); ++i) {
        if (kAllKinds[i] == kind) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Writes the file in one step: an old copy is replaced only by a complete new one.
bool writeWhole(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

// GBK with CR LF; a text GBK cannot hold (from a UTF-8 file) is written as UTF-8 with a BOM, which the
// import and every editor read back.
QByteArray reportBytes(const QStringList& lines)
{
    if (auto gbk = textcodec::gbkLines(lines)) {
        return *gbk;
    }
    QByteArray out("\xEF\xBB\xBF");
    for (const QString& line : lines) {
        out += line.toUtf8() + "\r\n";
    }
    return out;
}

// The rebuild that precedes every line of a kind other than the listed one. The first one of a table
// in an import is the store's full rebuild; after it the table only ever grows by the import's own
// appends, so a later rebuild can only remove the one row appended since, when it repeats an earlier row
// (the numbering of the rows before it stays 1..n). That keeps a long file linear instead of rebuilding
// the whole table for every line, with the same tables as a result.
class ImportRebuilds {
public:
    explicit ImportRebuilds(FormulaStore& store) : m_store(store) {}

    void beforeAppend(const FormulaKind& kind)
    {
        Table& t = m_tables[static_cast<std::size_t>(kindSlot(kind))];
        if (!t.rebuilt) {
            m_store.rebuild(kind);
            for (const Formula& f : m_store.listAll(kind)) {
                t.keys.insert(keyOf(f.bolKill, f.gongshi, f.gongshiCN));
            }
            t.rebuilt = true;
        } else if (t.pendingDuplicate > 0) {
            m_store.deleteFormula(kind, t.pendingDuplicate);
        }
        t.pendingDuplicate = 0;
    }

    // After an append to a table rebuilt in this import.
    void appended(const FormulaKind& kind, int idx, bool kill, const QString& gongshi, const QString& gongshiCN)
    {
        Table& t = m_tables[static_cast<std::size_t>(kindSlot(kind))];
        if (!t.rebuilt) {
            return;
        }
        if (!t.keys.insert(keyOf(kill, gongshi, gongshiCN)).second) {
            t.pendingDuplicate = idx;
        }
    }

private:
    static QString keyOf(bool kill, const QString& gongshi, const QString& gongshiCN)
    {
        return QString(kill ? QLatin1Char('1') : QLatin1Char('0')) + QChar(0x1F) + gongshi + QChar(0x1F) + gongshiCN;
    }

    struct Table {
        bool rebuilt = false;
        std::set<QString> keys;
        int pendingDuplicate = 0; // idx of the last appended row when it repeats an earlier one
    };

    FormulaStore& m_store;
    std::array<Table, 5> m_tables;
};

QString importTitle()
{
    return QStringLiteral("读取公式文本");
}

} // namespace

bool isRecognisedExpression(const QString& gongshi)
{
    for (const QChar c : gongshi) {
        const char16_t u = c.unicode();
        const bool letter = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '[' || u == '`' || u == '{';
        const bool digit = u >= '0' && u <= '9';
        const bool symbol = u == '(' || u == ')' || u == '*' || u == '+' || u == '-' || u == '/' || u == ' ';
        if (!letter && !digit && !symbol) {
            return false;
        }
    }
    return true;
}

FormulaTextLine readFormulaLine(const QString& line, FormulaKind& currentKind, bool& currentKill)
{
    FormulaTextLine out;
    QString text = line;
    const qsizetype record = text.indexOf(QStringLiteral("连准"));
    if (record >= 0) {
        text.truncate(record);
    }
    text = text.trimmed();
    if (text.isEmpty()) {
        out.outcome = FormulaTextLine::Outcome::Blank;
        return out;
    }
    const ParsedFormula parsed = ParseFormulaText(text, currentKind, currentKill);
    if (parsed.senseFromLine) {
        currentKill = parsed.bolKill;
    }
    out.gongshiCN = parsed.gongshiCN;
    out.gongshi = parsed.gongshi;
    out.kill = parsed.bolKill;
    out.kind = parsed.kind;
    switch (parsed.status) {
    case ParseStatus::EmptyInput:
        out.outcome = FormulaTextLine::Outcome::Blank;
        return out;
    case ParseStatus::Unreadable:
        out.outcome = FormulaTextLine::Outcome::Skipped;
        return out;
    case ParseStatus::NoSuchTable:
        // 个位通选 has no table: reported instead of being lost without a word.
        out.outcome = FormulaTextLine::Outcome::Unrecognised;
        out.reportText = parsed.gongshiCN;
        return out;
    case ParseStatus::Ok:
        break;
    }
    if (parsed.namedPosition) {
        currentKind = parsed.kind;
    }
    if (parsed.gongshi.isEmpty()) {
        out.outcome = FormulaTextLine::Outcome::Skipped;
    } else if (!isRecognisedExpression(parsed.gongshi)) {
        out.outcome = FormulaTextLine::Outcome::Unrecognised;
        out.reportText = parsed.gongshi;
    } else {
        out.outcome = FormulaTextLine::Outcome::Recognised;
    }
    return out;
}

QStringList formulaTextLines(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(breaks);
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast(); // the break that ends the last line
    }
    return lines;
}

FormulaImportResult importFormulaLines(Database& db, FormulaStore& store, const QStringList& lines,
                                       const FormulaKind& listedKind, bool kill, FormulaImportMode mode)
{
    FormulaImportResult result;
    FormulaKind current = listedKind;
    bool currentKill = kill;
    try {
        SQLite::Transaction tx(db.sql());
        ImportRebuilds rebuilds(store);
        if (mode == FormulaImportMode::Replace) {
            store.clearAll();
        }
        std::optional<FormulaKind> lastUsed;
        int number = 0;
        for (const QString& line : lines) {
            FormulaTextLine read = readFormulaLine(line, current, currentKill);
            read.number = ++number;
            switch (read.outcome) {
            case FormulaTextLine::Outcome::Blank:
                ++result.blank;
                break;
            case FormulaTextLine::Outcome::Skipped:
                ++result.skipped;
                break;
            case FormulaTextLine::Outcome::Unrecognised:
                result.unrecognised.push_back(std::move(read));
                break;
            case FormulaTextLine::Outcome::Recognised:
                if (mode == FormulaImportMode::File && read.kind != listedKind) {
                    rebuilds.beforeAppend(read.kind);
                }
                const int idx = store.appendFormula(read.kind, read.gongshi, read.gongshiCN, read.kill);
                if (idx == 0) {
                    ++result.notStored; // the table is full
                    break;
                }
                rebuilds.appended(read.kind, idx, read.kill, read.gongshi, read.gongshiCN);
                ++result.stored;
                ++result.storedPerKind[static_cast<std::size_t>(kindSlot(read.kind))];
                lastUsed = read.kind;
                break;
            }
        }
        if (lastUsed) {
            store.renumber(*lastUsed);
        }
        if (mode == FormulaImportMode::Replace && result.stored == 0) {
            // Emptying every table for a list without a single formula would only lose them.
            result.status = FormulaImportResult::Status::NoFormulas;
            return result; // rolled back
        }
        tx.commit();
    } catch (const std::exception& e) {
        FormulaImportResult failed;
        failed.status = FormulaImportResult::Status::StoreFailed;
        failed.error = QString::fromUtf8(e.what());
        failed.finalKill = kill;
        return failed;
    }
    result.finalKill = currentKill;
    return result;
}

std::optional<QString> decodeFormulaFile(const QByteArray& bytes)
{
    return textcodec::decodeTextFile(bytes);
}

QString formulaTextFolder(const QString& dataFolder)
{
    const QString folder = QDir(dataFolder).filePath(QStringLiteral("公式文本"));
    QDir().mkpath(folder);
    return folder;
}

QString unrecognisedReportFileName()
{
    return QStringLiteral("无法识别公式.txt");
}

FormulaImportResult ImportFormulaFile(Database& db, FormulaStore& store, Dialogs& dialogs, Launcher& launcher,
                                      const QString& dataFolder, const FormulaKind& listedKind, bool kill,
                                      const std::function<void(const FormulaImportResult&)>& refresh)
{
    FormulaImportResult result;
    result.finalKill = kill;
    const QString path = dialogs.openFile(importTitle(), formulaTextFolder(dataFolder), QStringLiteral("Text(*.txt)"));
    if (path.isEmpty() || !path.toLower().endsWith(QStringLiteral("txt"))) {
        result.status = FormulaImportResult::Status::NotChosen;
        return result;
    }
    result.filePath = path;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = FormulaImportResult::Status::UnreadableFile;
        result.error = file.errorString();
        dialogs.message(importTitle(),
                        QStringLiteral("无法打开公式文本文件“%1”：%2\n没有读入任何公式。")
                            .arg(QDir::toNativeSeparators(path), result.error),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return result;
    }
    const std::optional<QString> text = decodeFormulaFile(file.readAll());
    if (!text) {
        result.status = FormulaImportResult::Status::UnreadableFile;
        dialogs.message(importTitle(),
                        QStringLiteral("“%1”不是可以读取的公式文本文件（既不是 GBK 也不是 UTF-8 编码的文本，"
                                       "或者文件不完整）。\n没有读入任何公式。")
                            .arg(QDir::toNativeSeparators(path)),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return result;
    }

    result = importFormulaLines(db, store, formulaTextLines(*text), listedKind, kill, FormulaImportMode::File);
    result.filePath = path;
    if (result.status == FormulaImportResult::Status::StoreFailed) {
        dialogs.message(importTitle(), QStringLiteral("保存公式时出错（%1），没有读入任何公式。").arg(result.error),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
        return result;
    }

    QStringList report;
    for (const FormulaTextLine& line : result.unrecognised) {
        report << line.reportText;
    }
    const QString reportPath = QDir(dataFolder).filePath(unrecognisedReportFileName());
    QString writeError;
    const bool reportWritten = writeWhole(reportPath, reportBytes(report), &writeError);
    if (reportWritten) {
        result.reportPath = reportPath;
    }

    if (refresh) {
        refresh(result);
    }
    if (result.notStored > 0) {
        dialogs.message(importTitle(), formulaLimitText(result.notStored), Dialogs::Buttons::Ok,
                        Dialogs::Icon::Warning);
    }

    if (!result.unrecognised.empty()) {
        if (!reportWritten) {
            dialogs.message(QStringLiteral("无法识别公式"),
                            QStringLiteral("公式文本文件中含有 %1 条无法识别公式，但无法写入“%2”：%3")
                                .arg(result.unrecognised.size())
                                .arg(QDir::toNativeSeparators(reportPath), writeError),
                            Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        } else if (dialogs.confirm(QStringLiteral("无法识别公式"),
                                   QStringLiteral("公式文本文件中含有无法识别公式，是否查看这些公式？"))) {
            launcher.openTextFile(reportPath);
        }
    }
    return result;
}

// ---------------------------------------------------------------------------------------------------------

namespace formulaupdate {

namespace {
const QString& section()
{
    static const QString s = QStringLiteral("IniSetting");
    return s;
}

bool isWebAddress(const QUrl& url)
{
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           !url.host().isEmpty();
}
} // namespace

QString confirmTitle()
{
    return QStringLiteral("读入历史");
}

QString confirmText()
{
    return QStringLiteral("确实要在线更新公式吗？因为3D彩开奖频繁，该公式可能并不是当前最新的，因此自己搜索会更有时效性"
                          "（软件已经设置了默认搜索的参数，也可以手动变更）。同意更新将删除软件中现有的所有公式，并可能"
                          "要花费一段时间，网络不通或者我方服务器更新不及时可能都造成更新失败！");
}

QString server(const SettingsStore& settings)
{
    return settings.value(section(), QStringLiteral("FormulaServer")).trimmed();
}

QString folder(const SettingsStore& settings)
{
    const QString f = settings.value(section(), QStringLiteral("FormulaFolder")).trimmed();
    return f.isEmpty() ? QStringLiteral("3VER") : f;
}

void setServer(SettingsStore& settings, const QString& value)
{
    settings.setValue(section(), QStringLiteral("FormulaServer"), value.trimmed());
}

void setFolder(SettingsStore& settings, const QString& value)
{
    settings.setValue(section(), QStringLiteral("FormulaFolder"), value.trimmed());
}

QUrl listUrl(const QString& serverText, const QString& folderText)
{
    QString base = serverText.trimmed();
    while (base.endsWith(QLatin1Char('/'))) {
        base.chop(1);
    }
    if (base.isEmpty()) {
        return {};
    }
    if (!base.contains(QStringLiteral("://"))) {
        base.prepend(QStringLiteral("http://"));
    }
    QString f = folderText.trimmed();
    while (f.startsWith(QLatin1Char('/'))) {
        f.remove(0, 1);
    }
    while (f.endsWith(QLatin1Char('/'))) {
        f.chop(1);
    }
    return QUrl(base + QStringLiteral("/SOFT/") + f + QStringLiteral("/") + listFileName());
}

QString askServer(Dialogs& dialogs, SettingsStore& settings)
{
    QString current = server(settings);
    for (;;) {
        const auto answer =
            dialogs.input(QStringLiteral("公式下载服务器"),
                          QStringLiteral("请输入公式下载服务器的地址（例如 http://www.example.com）："), current);
        if (!answer || answer->trimmed().isEmpty()) {
            return {};
        }
        if (isWebAddress(listUrl(*answer, folder(settings)))) {
            setServer(settings, *answer);
            return answer->trimmed();
        }
        dialogs.message(QStringLiteral("输入有误"),
                        QStringLiteral("服务器地址应以 http:// 或 https:// 开头，例如 http://www.example.com"),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        current = *answer;
    }
}

QUrl confirmAndAddress(Dialogs& dialogs, SettingsStore& settings)
{
    if (!dialogs.confirm(confirmTitle(), confirmText())) {
        return {};
    }
    QString s = server(settings);
    if (!isWebAddress(listUrl(s, folder(settings)))) {
        s = askServer(dialogs, settings);
        if (s.isEmpty()) {
            return {};
        }
    }
    return listUrl(s, folder(settings));
}

QString listFileName()
{
    return QStringLiteral("3VER.txt");
}

} // namespace formulaupdate

// ---------------------------------------------------------------------------------------------------------

OnlineFormulaUpdate::OnlineFormulaUpdate(Database& db, FormulaStore& store, QUrl url, QString dataFolder,
                                         FormulaKind listedKind, bool kill, QObject* parent)
    : QObject(parent), m_db(db), m_store(store), m_url(std::move(url)), m_dataFolder(std::move(dataFolder)),
      m_listedKind(listedKind), m_kill(kill), m_fetch(new WebFetch(this))
{
    qRegisterMetaType<korvel::FormulaImportResult>();
    connect(m_fetch, &WebFetch::finished, this, &OnlineFormulaUpdate::onFetched);
    connect(m_fetch, &WebFetch::progress, this, &OnlineFormulaUpdate::progress);
}

OnlineFormulaUpdate::~OnlineFormulaUpdate() = default;

void OnlineFormulaUpdate::setTimeouts(std::chrono::milliseconds stall, std::chrono::milliseconds total)
{
    m_fetch->setStallTimeout(stall);
    m_fetch->setTotalTimeout(total);
}

void OnlineFormulaUpdate::start()
{
    if (m_running) {
        return;
    }
    m_running = true;
    m_result = FormulaImportResult{};
    m_result.finalKill = m_kill;
    m_fetch->get(m_url);
}

void OnlineFormulaUpdate::cancel()
{
    m_fetch->cancel();
}

FormulaImportResult OnlineFormulaUpdate::run()
{
    QEventLoop loop;
    connect(this, &OnlineFormulaUpdate::finished, &loop, &QEventLoop::quit);
    start();
    if (m_running) {
        loop.exec();
    }
    return m_result;
}

void OnlineFormulaUpdate::onFetched(const FetchResult& fetched)
{
    if (!fetched.ok()) {
        m_result.status = FormulaImportResult::Status::DownloadFailed;
        m_result.error = fetched.error;
        finish();
        return;
    }
    if (fetched.body.size() < formulaupdate::kMinimumListBytes) {
        // A failed download or an error page is no list.
        m_result.status = FormulaImportResult::Status::ListTooShort;
        m_result.error = QStringLiteral("只收到 %1 字节").arg(fetched.body.size());
        finish();
        return;
    }
    const QString listPath = QDir(m_dataFolder).filePath(formulaupdate::listFileName());
    QString saveError;
    const bool saved = writeWhole(listPath, fetched.body, &saveError);

    const std::optional<QString> text = decodeFormulaFile(fetched.body);
    if (!text) {
        m_result.status = FormulaImportResult::Status::UnreadableFile;
        m_result.error = QStringLiteral("下载的公式列表不是文本文件");
        finish();
        return;
    }
    m_result =
        importFormulaLines(m_db, m_store, formulaTextLines(*text), m_listedKind, m_kill, FormulaImportMode::Replace);
    if (saved) {
        m_result.filePath = listPath;
    } else if (m_result.error.isEmpty()) {
        m_result.error = QStringLiteral("无法保存 %1：%2").arg(formulaupdate::listFileName(), saveError);
    }
    finish();
}

void OnlineFormulaUpdate::finish()
{
    m_running = false;
    emit finished(m_result);
}

QString OnlineFormulaUpdate::resultText(const FormulaImportResult& result)
{
    using S = FormulaImportResult::Status;
    const QString unchanged = QStringLiteral("\n现有的公式没有改变。");
    switch (result.status) {
    case S::Imported: {
        QString text = QStringLiteral("公式在线更新完成，共读入 %1 条公式。").arg(result.stored);
        if (result.notStored > 0) {
            text += QLatin1Char('\n') + formulaLimitText(result.notStored);
        }
        if (result.filePath.isEmpty() && !result.error.isEmpty()) {
            text += QStringLiteral("\n（%1）").arg(result.error);
        }
        return text;
    }
    case S::DownloadFailed:
        return QStringLiteral("公式在线更新失败：公式列表没有下载成功（%1）。").arg(result.error) + unchanged;
    case S::ListTooShort:
        return QStringLiteral("公式在线更新失败：下载的公式列表不完整（%1）。").arg(result.error) + unchanged;
    case S::UnreadableFile:
        return QStringLiteral("公式在线更新失败：%1。").arg(result.error) + unchanged;
    case S::NoFormulas:
        return QStringLiteral("公式在线更新失败：下载的公式列表中没有可以识别的公式。") + unchanged;
    case S::StoreFailed:
        return QStringLiteral("公式在线更新失败：保存公式时出错（%1）。").arg(result.error) + unchanged;
    case S::NotChosen:
    case S::Declined:
        break;
    }
    return {};
}

} // namespace korvel
