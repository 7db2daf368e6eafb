#include "SearchWindowFixture.h"

#include "search/SearchSession.h"
#include "gui/search/SchemePanel.h"
#include "support/gui/Shots.h"

#include <QDir>
#include <QListWidget>
#include <QScrollBar>

namespace korvel::test {
namespace {

// Pictures of the search window for a person to look at: before a search, during the manual search,
// during and after a scheme. Runs only when KORVEL_SHOTS_DIR names the folder for the PNG files.
class SearchWindowShots : public ShotsFixture<SearchWindowTest> {};

TEST_F(SearchWindowShots, BeforeDuringAndAfterASearch)
{
    seed(1200);
    open();
    SearchWindow* w = openSearch();
    ASSERT_NE(w, nullptr);
    w->resize(1240, 700);
    click(in<QPushButton>(w, QStringLiteral("loadSchemeButton")));
    shoot(w, QStringLiteral("search-window-before"));

    typeThresholds(w, {"96", "100", "0", "1", "0", "32768", "0", "32768", "0", "32768"});
    click(in<QPushButton>(w, QStringLiteral("startSearchButton")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return foundShown(w) >= 30; }, 60000));
    shoot(w, QStringLiteral("search-window-manual-running"));
    // The figures beside each result line, at the end of the long texts.
    w->resultList()->horizontalScrollBar()->setValue(w->resultList()->horizontalScrollBar()->maximum());
    shoot(w->resultList(), QStringLiteral("search-result-list-figures"));
    w->resultList()->horizontalScrollBar()->setValue(0);
    click(in<QPushButton>(w, QStringLiteral("pauseSearchButton")));

    // A scheme on the default thresholds: kind 1 (red) needs more than it finds in a moment.
    type(w->schemePanel()->quotaField(1), QStringLiteral("30000"));
    for (int kind : {2, 3, 5, 6}) {
        type(w->schemePanel()->quotaField(kind), QStringLiteral("3"));
    }
    click(w->schemePanel()->startButton());
    QTest::qWait(2 * SearchWindow::kPollIntervalMs);
    shoot(w, QStringLiteral("search-window-scheme-running"));
    click(w->schemePanel()->pauseButton());

    // Small quotas: the scheme walks every kind (blue) and appends by itself.
    type(w->schemePanel()->quotaField(1), QStringLiteral("3"));
    click(w->schemePanel()->startButton());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->polling(); }, 60000));
    shoot(w, QStringLiteral("search-window-scheme-done"));
}

} // namespace
} // namespace korvel::test
