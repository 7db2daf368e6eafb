#include "session/AboutFacts.h"

#include "history/HistorySnapshot.h"
#include "session/Session.h"
#include "session/Version.h"
#include "formula/FormulaKind.h"
#include "formula/FormulaStore.h"

#include <QDir>
#include <QtGlobal>

#include <sqlite3.h>

namespace korvel {

AboutFacts AboutFacts::of(Session& session)
{
    AboutFacts f;
    f.version = QString::fromLatin1(kVersion);
    f.dataFolder = QDir::toNativeSeparators(session.dataFolder());
    f.databasePath = QDir::toNativeSeparators(QDir(session.dataFolder()).filePath(QStringLiteral("formula.mdb")));
    f.draws = session.snapshot()->size();
    if (session.databaseOpen()) {
        for (const FormulaKind& kind : kAllKinds) {
            f.formulas += session.formulaStore().count(kind);
        }
    }
    f.qtVersion = QString::fromLatin1(qVersion());
    f.sqliteVersion = QString::fromLatin1(sqlite3_libversion());
    return f;
}

QString AboutFacts::text() const
{
    return QStringLiteral("Korvel %1\n福彩3D / 体彩排列3 历史号码与公式工具\n\n"
                          "数据文件夹：%2\n数据库：%3\n历史号码：%4 期\n公式：%5 条\n\nQt %6，SQLite %7")
        .arg(version, dataFolder, databasePath)
        .arg(draws)
        .arg(formulas)
        .arg(qtVersion, sqliteVersion);
}

} // namespace korvel
