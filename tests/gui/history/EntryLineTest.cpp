#include "gui/history/EntryLine.h"
#include "history/EntryHost.h"

#include <QApplication>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

namespace korvel::test {
namespace {

// A host that records what the line hands it and changes its texts when told to, as the session does.
class RecordingEntryHost final : public EntryHost {
public:
    QString nextIssue() const override { return m_issue; }
    void setNextIssue(const QString& issue) override
    {
        m_issue = issue;
        emit entryChanged();
    }
    QString entryDate() const override { return m_date; }
    void setEntryDate(const QString& date) override
    {
        m_date = date;
        emit entryChanged();
    }
    void normaliseEntryDate() override { ++normalised; }
    EntryResult enterDraw(const QString& box1, const QString& box2, const QString& box3) override
    {
        draws << box1 + box2 + box3;
        return EntryResult::Stored;
    }

    QString m_issue = QStringLiteral("2012001");
    QString m_date = QStringLiteral("2012-01-01");
    QStringList draws;
    int normalised = 0;
};

// The entry line on a host of its own: it shows the host's texts, hands every edit and each typed draw to
// it, and follows the host's changes; nothing else of the program is needed.
TEST(EntryLineTest, TheLineWorksThroughItsHostAlone)
{
    RecordingEntryHost host;
    EntryLine line(host);
    line.show();
    line.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&line));
    EXPECT_EQ(line.issueEdit()->text(), "2012001");
    EXPECT_EQ(line.dateEdit()->text(), "2012-01-01");

    line.focusFirstBox();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("5"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("8"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("3"));
    EXPECT_EQ(host.draws, QStringList{"583"});
    EXPECT_EQ(QApplication::focusWidget(), line.digitBox(0));

    line.issueEdit()->selectAll();
    QTest::keyClicks(line.issueEdit(), QStringLiteral("2012009"));
    EXPECT_EQ(host.m_issue, "2012009");
    line.dateEdit()->setFocus();
    line.digitBox(0)->setFocus();
    EXPECT_GE(host.normalised, 1);

    host.setEntryDate(QStringLiteral("2012-02-02"));
    EXPECT_EQ(line.dateEdit()->text(), "2012-02-02");
}

} // namespace
} // namespace korvel::test
