#include "formula/FormulaImport.h"
#include "formula/FormulaStore.h"
#include "history/DrawTableSchema.h"
#include "platform/Database.h"
#include "platform/SettingsStore.h"
#include "platform/TextCodec.h"
#include "support/CoreApplication.h"
#include "support/FakeDialogs.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace korvel {
namespace {

using test::TestHttpServer;
using Behaviour = TestHttpServer::Response::Behaviour;

const FormulaKind k3D{3, Play::Single};
const FormulaKind k2D{2, Play::Single};

// A formula list of exactly `size` GBK bytes: formula lines, then an advertisement line padded to size.
QByteArray formulaList(qsizetype size)
{
    QStringList lines = {QStringLiteral("[百位单选杀]百位码+十位码+3　连准：5期"),
                         QStringLiteral("和数+跨度=下期杀 十位单选"), QStringLiteral("[十位单选]十位码*2"),
                         QStringLiteral("[个位通选]个位码")};
    const qsizetype used = textcodec::gbkLines(lines)->size();
    lines << QString(size - used - 2, QLatin1Char('#'));
    return *textcodec::gbkLines(lines);
}

class OnlineFormulaUpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureCoreApplication();
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_NE(m_db.open(m_dir.filePath(QStringLiteral("formula.mdb")), drawTableSchema()),
                  Database::OpenResult::Failed);
        m_store.appendFormula(k3D, QStringLiteral("L1A"), QStringLiteral("[百位单选]百位码"), true);
        m_store.appendFormula(k2D, QStringLiteral("L2A"), QStringLiteral("[十位单选]十位码"), false);
        m_server = std::make_unique<TestHttpServer>([this](const TestHttpServer::Request& r) {
            TestHttpServer::Response response = m_response;
            if (r.target != QStringLiteral("/SOFT/3VER/3VER.txt")) {
                response = {};
                response.status = 404;
            }
            return response;
        });
        ASSERT_TRUE(m_server->listen());
    }

    FormulaImportResult run()
    {
        OnlineFormulaUpdate update(m_db, m_store, formulaupdate::listUrl(m_server->baseUrl(), QStringLiteral("3VER")),
                                   m_dir.path(), k3D, false);
        update.setTimeouts(std::chrono::milliseconds(5000), std::chrono::milliseconds(20000));
        return update.run();
    }

    std::vector<QString> texts(const FormulaKind& kind) const
    {
        std::vector<QString> out;
        for (const Formula& f : m_store.listAll(kind)) {
            out.push_back(QString::number(f.idx) + QLatin1Char(' ') + f.expressionText + (f.kill ? " 杀" : " 生"));
        }
        return out;
    }

    QString savedList() const { return QDir(m_dir.path()).filePath(QStringLiteral("3VER.txt")); }

    QTemporaryDir m_dir;
    Database m_db;
    FormulaStore m_store{m_db};
    std::unique_ptr<TestHttpServer> m_server;
    TestHttpServer::Response m_response;
};

TEST_F(OnlineFormulaUpdateTest, AListThatArrivedReplacesEveryFormula)
{
    m_response.contentType = "text/plain";
    m_response.body = formulaList(1025);
    const FormulaImportResult r = run();
    ASSERT_EQ(r.status, FormulaImportResult::Status::Imported) << r.error.toStdString();
    EXPECT_EQ(r.stored, 3);
    // The window showed 生: the bracket line takes it (the 杀 inside the brackets is not read), the
    // equation line switches to 杀 and the bracket line after it follows.
    EXPECT_EQ(texts(k3D), std::vector<QString>{"1 L1A+L2A+3 生"});
    EXPECT_EQ(texts(k2D), (std::vector<QString>{"1 LH+LT 杀", "2 L2A*2 杀"}));
    QFile saved(savedList());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), m_response.body); // the bytes as downloaded
    EXPECT_TRUE(OnlineFormulaUpdate::resultText(r).contains(QStringLiteral("3 条公式")));
}

// Issue 24 item 18: a downloaded list is checked line by line before anything is stored: a formula too
// large for the engine is left out, the others replace the tables.
TEST_F(OnlineFormulaUpdateTest, AFormulaTooLargeForTheEngineIsLeftOutOfTheUpdate)
{
    QStringList lines = {QStringLiteral("(").repeated(30000) + QStringLiteral("L1A") +
                             QStringLiteral(")").repeated(30000) + QStringLiteral("=下期杀 百位单选"),
                         QStringLiteral("-").repeated(5000) + QStringLiteral("十位码=下期杀 十位单选"),
                         QStringLiteral("[百位单选杀]百位码+3")};
    m_response.contentType = "text/plain";
    m_response.body = *textcodec::gbkLines(lines);
    ASSERT_GE(m_response.body.size(), formulaupdate::kMinimumListBytes);
    const FormulaImportResult r = run();
    ASSERT_EQ(r.status, FormulaImportResult::Status::Imported) << r.error.toStdString();
    EXPECT_EQ(r.stored, 1);
    EXPECT_EQ(r.unrecognised.size(), 2u);
    // The second line, refused for its nesting, was still read for its sense (杀), which the bracket line
    // after it takes.
    EXPECT_EQ(texts(k3D), std::vector<QString>{"1 L1A+3 杀"});
    EXPECT_TRUE(texts(k2D).empty());
}

TEST_F(OnlineFormulaUpdateTest, NoListNoChange)
{
    const std::vector<QString> before3D = texts(k3D), before2D = texts(k2D);
    struct Case {
        const char* name;
        int status;
        Behaviour behaviour;
        QByteArray body;
        FormulaImportResult::Status expected;
    };
    const QByteArray errorPage = "<html><body>" + QByteArray(2000, 'x') + "</body></html>";
    const Case cases[] = {
        {"a list of 1024 bytes", 200, Behaviour::Normal, formulaList(1024), FormulaImportResult::Status::ListTooShort},
        {"the server closes the connection",
         200,
         Behaviour::CloseWithoutAnswer,
         {},
         FormulaImportResult::Status::DownloadFailed},
        {"the list breaks off", 200, Behaviour::CloseMidBody, formulaList(4000),
         FormulaImportResult::Status::DownloadFailed},
        {"not found", 404, Behaviour::Normal, errorPage, FormulaImportResult::Status::DownloadFailed},
        {"an error page served as a success", 200, Behaviour::Normal, errorPage,
         FormulaImportResult::Status::NoFormulas},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_response = {};
        m_response.status = c.status;
        m_response.behaviour = c.behaviour;
        m_response.body = c.body;
        const FormulaImportResult r = run();
        EXPECT_EQ(r.status, c.expected) << r.error.toStdString();
        EXPECT_EQ(texts(k3D), before3D);
        EXPECT_EQ(texts(k2D), before2D);
        EXPECT_TRUE(OnlineFormulaUpdate::resultText(r).contains(QStringLiteral("现有的公式没有改变")));
        // A refused list is never kept as 3VER.txt (the last case's page has full length, but no formulas).
        EXPECT_FALSE(QFile::exists(savedList()));
    }
}

TEST_F(OnlineFormulaUpdateTest, ARefusedListLeavesThePreviousSavedListInPlace)
{
    m_response.contentType = "text/plain";
    m_response.body = formulaList(1025);
    ASSERT_EQ(run().status, FormulaImportResult::Status::Imported);
    const QByteArray previous = m_response.body;

    // A page of full length that holds no formula: refused, the tables and the saved list stay.
    const std::vector<QString> before3D = texts(k3D);
    m_response.body = "<html><body>" + QByteArray(2000, 'x') + "</body></html>";
    const FormulaImportResult r = run();
    EXPECT_EQ(r.status, FormulaImportResult::Status::NoFormulas);
    EXPECT_TRUE(r.filePath.isEmpty());
    EXPECT_EQ(texts(k3D), before3D);
    QFile saved(savedList());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), previous);
}

TEST_F(OnlineFormulaUpdateTest, ConfirmationAndServerAddress)
{
    SettingsStore settings(m_dir.filePath(QStringLiteral("3VER.ini")));
    test::FakeDialogs dialogs;
    dialogs.answerMessage(Dialogs::Answer::Cancel);
    EXPECT_TRUE(formulaupdate::confirmAndAddress(dialogs, settings).isEmpty());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    // Titled for what it does, which loses every formula: 取消 is the default.
    EXPECT_EQ(dialogs.messages()[0].title, QStringLiteral("公式在线更新：替换全部公式"));
    EXPECT_TRUE(dialogs.messages()[0].text.startsWith(QStringLiteral("确实要在线更新公式吗？")));
    EXPECT_EQ(dialogs.messages()[0].icon, Dialogs::Icon::Question);
    EXPECT_EQ(dialogs.messages()[0].buttons, Dialogs::Buttons::CancelOk);

    // No server yet: asked once, then remembered.
    dialogs.answerMessage(Dialogs::Answer::Ok);
    dialogs.answerInput(QStringLiteral("www.example.com"));
    EXPECT_EQ(formulaupdate::confirmAndAddress(dialogs, settings),
              QUrl(QStringLiteral("http://www.example.com/SOFT/3VER/3VER.txt")));
    dialogs.answerMessage(Dialogs::Answer::Ok);
    formulaupdate::setFolder(settings, QStringLiteral("/K3D/"));
    EXPECT_EQ(formulaupdate::confirmAndAddress(dialogs, settings),
              QUrl(QStringLiteral("http://www.example.com/SOFT/K3D/3VER.txt")));
    EXPECT_TRUE(dialogs.allAnswered());
}

} // namespace
} // namespace korvel
