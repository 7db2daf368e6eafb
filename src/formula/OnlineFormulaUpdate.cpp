// The online formula update ("公式在线更新（&W)"): its settings and questions, the download, and the
// replacement of the five tables by the downloaded list.
#include "formula/FormulaImport.h"

#include "formula/FormulaImportSupport.h"
#include "formula/FormulaStore.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "platform/WebFetch.h"

#include <QDir>
#include <QEventLoop>

namespace korvel {

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
    return QStringLiteral("公式在线更新：替换全部公式");
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
    // Every formula is replaced: the question defaults to 取消.
    if (!dialogs.confirmDestructive(confirmTitle(), confirmText())) {
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
    const std::optional<QString> text = decodeFormulaFile(fetched.body);
    if (!text) {
        m_result.status = FormulaImportResult::Status::UnreadableFile;
        m_result.error = QStringLiteral("下载的公式列表不是文本文件");
        finish();
        return;
    }
    m_result =
        importFormulaLines(m_db, m_store, formulaTextLines(*text), m_listedKind, m_kill, FormulaImportMode::Replace);
    if (m_result.status != FormulaImportResult::Status::Imported) {
        // A refused list is not kept: the saved copy stays the one of the formulas in the tables.
        finish();
        return;
    }
    const QString listPath = QDir(m_dataFolder).filePath(formulaupdate::listFileName());
    QString saveError;
    if (writeWholeFile(listPath, fetched.body, &saveError)) {
        m_result.filePath = listPath;
    } else if (m_result.error.isEmpty()) {
        m_result.error = QStringLiteral("无法保存 %1：%2").arg(QDir::toNativeSeparators(listPath), saveError);
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
