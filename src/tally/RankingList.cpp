#include "tally/RankingList.h"

#include <algorithm>

namespace korvel {

namespace {

enum FixedColumn {
    ColIssue,
    ColDrawn,
    ColRank,
    ColErr,
    ColTiers,
    ColTier,
    ColTierSize,
    ColFirstDigit = 7,
    ColFirstErr = 17
};

} // namespace

int rankingTiers(const std::array<std::int16_t, 10>& rankErr, std::array<int, 10>& tier)
{
    int t = 1;
    for (std::size_t r = 0; r < 10; ++r) {
        if (r > 0 && rankErr[r] != rankErr[r - 1]) {
            ++t;
        }
        tier[r] = t;
    }
    return t;
}

RankingList::RankingList(const RankingStore& store, int position, Play play)
    : m_position(std::clamp(position, 1, 3)), m_play(position == 1 ? Play::Single : play)
{
    // Digits are held 百位, 十位, 个位: position p is index 3 - p, and a group judges p and the ones below.
    const int firstJudged = 3 - m_position;
    const int lastJudged = m_play == Play::Single ? firstJudged : 2;
    m_smallest = 32767;
    m_largest = 0;
    for (int n = 0; n + 1 < store.size(); ++n) {
        RankingListRow row;
        row.draw = n + 1;
        const auto& drawn = store.digits[static_cast<std::size_t>(n + 1)];
        row.issue = store.issues[static_cast<std::size_t>(n + 1)];
        row.rankDigit = store.rankDigit[static_cast<std::size_t>(n)];
        row.rankErr = store.rankErr[static_cast<std::size_t>(n)];
        for (int k = firstJudged; k <= lastJudged; ++k) {
            row.drawn += QString::number(drawn[static_cast<std::size_t>(k)]);
            if (m_play == Play::Group) {
                row.drawn += QLatin1Char(' ');
            }
        }
        std::array<int, 10> tier{};
        row.tiers = rankingTiers(row.rankErr, tier);
        for (std::size_t r = 0; r < 10; ++r) {
            const int digit = row.rankDigit[r];
            bool match = false;
            for (int k = firstJudged; k <= lastJudged; ++k) {
                match = match || digit == drawn[static_cast<std::size_t>(k)];
            }
            if (match) {
                row.matched.set(r);
                row.rankText += QString::number(r + 1);
                row.errText += QString::number(row.rankErr[r]);
                if (m_play == Play::Group) {
                    row.rankText += QLatin1Char(' ');
                    row.errText += QLatin1Char(' ');
                }
            }
            if (digit == drawn[static_cast<std::size_t>(firstJudged)]) {
                row.tier = tier[r];
                row.tierSize = static_cast<int>(std::count(tier.begin(), tier.end(), tier[r]));
            }
            m_smallest = std::min<int>(m_smallest, row.rankErr[r]);
            m_largest = std::max<int>(m_largest, row.rankErr[r]);
        }
        m_rows.push_back(std::move(row));
    }
    if (m_rows.empty()) {
        m_smallest = 0;
        m_largest = 0;
    }
}

QString RankingList::header(int column) const
{
    static const QStringList fixed = {QStringLiteral("期号"),  QStringLiteral("开奖结果"), QStringLiteral("排位名次"),
                                      QStringLiteral("Err值"), QStringLiteral("总位次"),   QStringLiteral("位次"),
                                      QStringLiteral("位码数")};
    if (column < ColFirstDigit) {
        return fixed[column];
    }
    if (column < ColFirstErr) {
        return QString::number(column - ColFirstDigit + 1) + QStringLiteral("排列");
    }
    if (column < kFixedColumns) {
        return QString::number(column - ColFirstErr + 1) + QStringLiteral("Err值");
    }
    return QString::number(m_smallest + column - kFixedColumns) + QStringLiteral("次");
}

QStringList RankingList::headers() const
{
    QStringList h;
    for (int c = 0; c < columnCount(); ++c) {
        h << header(c);
    }
    return h;
}

int RankingList::columnWidthTwips(int column) const
{
    return column >= kFixedColumns ? 1600 : 0;
}

QString RankingList::digitsWithValue(int r, int value) const
{
    const RankingListRow& rw = row(r);
    QString text;
    for (std::size_t k = 0; k < 10; ++k) {
        if (rw.rankErr[k] == value) {
            text += QStringLiteral("%1 ").arg(static_cast<int>(rw.rankDigit[k]), 2, 10, QLatin1Char('0'));
        }
    }
    return text;
}

QString RankingList::cellText(int r, int column) const
{
    const RankingListRow& rw = row(r);
    switch (column) {
    case ColIssue:
        return rw.issue;
    case ColDrawn:
        return rw.drawn;
    case ColRank:
        return rw.rankText;
    case ColErr:
        return rw.errText;
    case ColTiers:
        return QString::number(rw.tiers);
    case ColTier:
        return QString::number(rw.tier);
    case ColTierSize:
        return QString::number(rw.tierSize);
    default:
        break;
    }
    if (column < ColFirstErr) {
        return QString::number(rw.rankDigit[static_cast<std::size_t>(column - ColFirstDigit)]);
    }
    if (column < kFixedColumns) {
        return QString::number(rw.rankErr[static_cast<std::size_t>(column - ColFirstErr)]);
    }
    return digitsWithValue(r, m_smallest + column - kFixedColumns);
}

std::vector<QString> RankingList::rowTexts(int r) const
{
    std::vector<QString> texts;
    texts.reserve(static_cast<std::size_t>(columnCount()));
    for (int c = 0; c < kFixedColumns; ++c) {
        texts.push_back(cellText(r, c));
    }
    // Most value cells are empty: fill the ones named by the row's ten ranks in one pass.
    texts.resize(static_cast<std::size_t>(columnCount()));
    const RankingListRow& rw = row(r);
    for (std::size_t k = 0; k < 10; ++k) {
        QString& cell = texts[static_cast<std::size_t>(kFixedColumns + rw.rankErr[k] - m_smallest)];
        cell += QStringLiteral("%1 ").arg(static_cast<int>(rw.rankDigit[k]), 2, 10, QLatin1Char('0'));
    }
    return texts;
}

std::optional<std::uint32_t> RankingList::cellFill(int r, int column) const
{
    if (column >= ColFirstDigit && column < ColFirstErr &&
        row(r).matched.test(static_cast<std::size_t>(column - ColFirstDigit))) {
        return kBlue;
    }
    return std::nullopt;
}

SheetGrid RankingList::toSheet() const
{
    SheetGrid grid;
    for (int c = 0; c < columnCount(); ++c) {
        grid.setText(0, c, header(c));
        if (columnWidthTwips(c) > 0) {
            grid.setColumnWidthTwips(c, columnWidthTwips(c));
        }
    }
    for (int r = 0; r < rowCount(); ++r) {
        const bool single = m_play == Play::Single;
        for (int c = 0; c < columnCount(); ++c) {
            const QString text = cellText(r, c);
            // The fixed columns other than the issue and the group texts hold single whole numbers.
            const bool numeric =
                c >= ColTiers ? c < kFixedColumns : (c == ColDrawn || c == ColRank || c == ColErr) && single;
            if (numeric && !text.isEmpty()) {
                grid.setNumber(r + 1, c, text.toInt());
            } else if (!text.isEmpty()) {
                grid.setText(r + 1, c, text);
            }
            if (const auto fill = cellFill(r, c)) {
                grid.setFill(r + 1, c, *fill);
            }
        }
    }
    return grid;
}

SheetShown RankingList::exportQuery(const QString& folder, Dialogs& dialogs, Launcher& launcher) const
{
    return showSheet(toSheet(), folder, QStringLiteral("Print.xls"), dialogs, launcher);
}

SheetShown RankingList::exportOnDoubleClick(const QString& folder, Dialogs& dialogs, Launcher& launcher) const
{
    return showSheet(toSheet(), folder, QStringLiteral("Jieguo.xls"), dialogs, launcher);
}

} // namespace korvel
