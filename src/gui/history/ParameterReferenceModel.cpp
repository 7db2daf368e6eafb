#include "gui/history/ParameterReferenceModel.h"

#include "formula/Expression.h"
#include "history/HistorySnapshot.h"
#include "history/Param.h"

#include <array>

namespace korvel {

namespace {

struct ReferenceRow {
    const char* label;
    // Per-position rows fill columns 1–3; whole-draw rows have only the first entry and fill column 4.
    std::array<Param, 3> params;
    bool perPosition;
};

constexpr ReferenceRow pos(const char* label, Param a, Param b, Param c)
{
    return {label, {a, b, c}, true};
}
constexpr ReferenceRow whole(const char* label, Param p)
{
    return {label, {p, p, p}, false};
}

// L2M/L3M hold the prime count and sum and L4M/L5M the composite ones; the labels say what the columns hold.
constexpr std::array<ReferenceRow, ParameterReferenceModel::kParameterRows> kReferenceRows = {{
    pos("号码", Param::L1A, Param::L2A, Param::L3A),
    pos("大小", Param::L1B, Param::L2B, Param::L3B),
    pos("单双", Param::L1C, Param::L2C, Param::L3C),
    pos("除5余数", Param::L1D, Param::L2D, Param::L3D),
    pos("除3余数", Param::L1E, Param::L2E, Param::L3E),
    pos("五段段数(对应12345段)", Param::L1F, Param::L2F, Param::L3F),
    pos("平方", Param::L1G, Param::L2G, Param::L3G),
    pos("互补数", Param::L1I, Param::L2I, Param::L3I),
    pos("2指数方(2作底值作指数）", Param::L1J, Param::L2J, Param::L3J),
    pos("立方", Param::L1K, Param::L2K, Param::L3K),
    pos("除3余N(对应120)个数", Param::L1L, Param::L2L, Param::L3L),
    pos("邻号和", Param::L1P, Param::L2P, Param::L3P),
    pos("邻号差", Param::L1Q, Param::L2Q, Param::L3Q),
    whole("除5余1", Param::L1H),
    whole("除5余2", Param::L2H),
    whole("除5余3", Param::L3H),
    whole("除5余4", Param::L4H),
    whole("除5余0", Param::L5H),
    whole("最大振幅", Param::L1M),
    whole("质数个", Param::L2M),
    whole("质数和", Param::L3M),
    whole("合数个", Param::L4M),
    whole("合数和", Param::L5M),
    whole("和数", Param::LH),
    whole("和个位", Param::LI),
    whole("大数个", Param::LJ),
    whole("大数和", Param::LK),
    whole("小数个", Param::LL),
    whole("小数和", Param::LM),
    whole("奇数个", Param::LN),
    whole("奇数和", Param::LO),
    whole("偶数个", Param::LP),
    whole("偶数和", Param::LQ),
    whole("数字个数", Param::LR),
    whole("同号个数", Param::LS),
    whole("总振幅", Param::LT),
    whole("连同号", Param::LU),
    whole("连顺号", Param::LV),
    whole("逆顺号", Param::LW),
    whole("重上期号", Param::LX),
    whole("同上期数", Param::LY),
    whole("期号", Param::QH),
    whole("期号合", Param::QHW),
    whole("上期号", Param::SQH),
    whole("上期合", Param::SQHW),
    whole("年份", Param::NF),
    whole("年份合", Param::NFW),
    whole("月份", Param::YF),
    whole("月份合", Param::YFW),
    whole("日期", Param::RQ),
    whole("日期合", Param::RQW),
}};

// The words of the language beyond the parameters, each with an example computed on the newest draw:
// per-position examples fill columns 1-3, the others column 4.
struct LanguageRow {
    const char* label;
    std::array<const char*, 3> expressions; // the second and third are null for a whole-draw example
};

constexpr std::array<LanguageRow, ParameterReferenceModel::kLanguageRows> kLanguageWords = {{
    {"上期X：上一期的参数X（例：上期百位码）", {"Prev1(L1A)", "Prev1(L2A)", "Prev1(L3A)"}},
    {"上上期X：上两期的参数X（例：上上期百位码）", {"Prev2(L1A)", "Prev2(L2A)", "Prev2(L3A)"}},
    {"前N期X：N期前的参数X，N为1到9（例：前3期和数）", {"Prev3(LH)", nullptr, nullptr}},
    {"取整(x)：向下取整（例：取整(和数*0.618)）", {"Int(LH*0.618)", nullptr, nullptr}},
    {"绝对值(x)：去掉负号（例：绝对值(百位码-个位码)）", {"Abs(L1A-L3A)", nullptr, nullptr}},
    {"x\\y：整除，四舍五入取整后相除并舍去小数（例：和数\\3）", {"LH\\3", nullptr, nullptr}},
}};

} // namespace

ParameterReferenceModel::ParameterReferenceModel(QObject* parent) : QAbstractTableModel(parent) {}

void ParameterReferenceModel::setSnapshot(SnapshotPtr snapshot)
{
    m_snapshot = std::move(snapshot);
    emit dataChanged(index(0, 1), index(kRows - 1, kColumns - 1), {Qt::DisplayRole});
}

int ParameterReferenceModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kRows;
}

int ParameterReferenceModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant ParameterReferenceModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) {
        return {};
    }
    const int col = index.column();
    if (role == Qt::TextAlignmentRole) {
        return col == 0 ? QVariant() : QVariant(Qt::AlignCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (index.row() >= kParameterRows) {
        return languageData(index.row() - kParameterRows, col);
    }
    const ReferenceRow& row = kReferenceRows[static_cast<std::size_t>(index.row())];
    if (col == 0) {
        return QString::fromUtf8(row.label);
    }
    if (!m_snapshot || m_snapshot->empty()) {
        return QString();
    }
    const int newest = m_snapshot->size() - 1;
    if (row.perPosition && col <= 3) {
        return QString::number(m_snapshot->value(newest, row.params[static_cast<std::size_t>(col - 1)]));
    }
    if (!row.perPosition && col == 4) {
        return QString::number(m_snapshot->value(newest, row.params[0]));
    }
    return QString();
}

QVariant ParameterReferenceModel::languageData(int languageRow, int col) const
{
    const LanguageRow& row = kLanguageWords[static_cast<std::size_t>(languageRow)];
    if (col == 0) {
        return QString::fromUtf8(row.label);
    }
    if (!m_snapshot || m_snapshot->empty()) {
        return QString();
    }
    const bool perPosition = row.expressions[1] != nullptr;
    const char* text = nullptr;
    if (perPosition && col <= 3) {
        text = row.expressions[static_cast<std::size_t>(col - 1)];
    } else if (!perPosition && col == 4) {
        text = row.expressions[0];
    }
    if (!text) {
        return QString();
    }
    // Computed as a formula would be: empty where the newest draw has no draw that far back.
    const auto value = Expression::compile(QString::fromUtf8(text)).evaluateRow(*m_snapshot, m_snapshot->size() - 1);
    return value ? QString::number(*value) : QString();
}

QVariant ParameterReferenceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const titles[kColumns] = {"", "百位", "十位", "个位", "总位"};
    return section >= 0 && section < kColumns ? QString::fromUtf8(titles[section]) : QVariant();
}

} // namespace korvel
