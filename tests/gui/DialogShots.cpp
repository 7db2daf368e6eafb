#include "formula/FormulaImport.h"
#include "gui/widgets/QtDialogs.h"
#include "history/DrawTableSchema.h"
#include "history/HistoryDeletion.h"
#include "history/HistoryStore.h"
#include "platform/Database.h"
#include "support/HistoryRows.h"
#include "support/gui/Shots.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace korvel::test {
namespace {

// Pictures of the questions and messages about data at risk, each as the player sees it (written only when
// KORVEL_SHOTS_DIR names a folder). Each box is closed with the key a player would press first: Enter.
void shootNextBox(const QString& name)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, name] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            saveShot(box, name);
            box->defaultButton() ? box->defaultButton()->click() : box->accept();
        }
    });
    timer->start();
}

TEST(DialogShots, QuestionsAndMessagesAboutData)
{
    if (shotsFolder().isEmpty()) {
        GTEST_SKIP() << "KORVEL_SHOTS_DIR is not set";
    }
    QWidget main;
    main.resize(900, 600);
    main.show();
    QtDialogs dialogs(&main);
    const auto ask = [&](const QString& name, const QString& title, const QString& text, Dialogs::Buttons buttons,
                         Dialogs::Icon icon) {
        shootNextBox(name);
        return dialogs.message(title, text, buttons, icon);
    };
    EXPECT_EQ(ask(QStringLiteral("delete-all-history"), deletion::allTitle(), deletion::allQuestion(7760),
                  Dialogs::Buttons::CancelOk, Dialogs::Icon::Question),
              Dialogs::Answer::Cancel);
    ask(QStringLiteral("delete-last-history"), deletion::title(),
        deletion::countQuestion(1, QStringLiteral("（2026253 期）")), Dialogs::Buttons::OkCancel,
        Dialogs::Icon::Question);
    ask(QStringLiteral("delete-last-count"), deletion::title(),
        deletion::countQuestion(3, QStringLiteral("（2026251 至 2026253 期）")), Dialogs::Buttons::OkCancel,
        Dialogs::Icon::Question);
    // The message of a start on a damaged database.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("formula.mdb"));
    {
        Database db;
        ASSERT_EQ(db.open(path, drawTableSchema()), Database::OpenResult::Created);
        HistoryStore store(db);
        ASSERT_EQ(store.appendRows(newDraws(loadDraws(QStringLiteral("fc3d_draws.tsv"), 2000))),
                  HistoryStore::AppendResult::Stored);
    }
    {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
        const int page = db.execAndGet("SELECT rootpage FROM sqlite_master WHERE name = 'Lishi'").getInt();
        const int pageSize = db.execAndGet("PRAGMA page_size").getInt();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(qint64(page) * pageSize - 64));
        f.write(QByteArray(64, '\xFF'));
    }
    Database damaged;
    ASSERT_EQ(damaged.open(path, drawTableSchema()), Database::OpenResult::Damaged);
    ask(QStringLiteral("damaged-database"), QStringLiteral("打开数据库"), damaged.lastError(), Dialogs::Buttons::Ok,
        Dialogs::Icon::Critical);

    EXPECT_EQ(ask(QStringLiteral("online-formula-update"), formulaupdate::confirmTitle(), formulaupdate::confirmText(),
                  Dialogs::Buttons::CancelOk, Dialogs::Icon::Question),
              Dialogs::Answer::Cancel);
}

} // namespace
} // namespace korvel::test
