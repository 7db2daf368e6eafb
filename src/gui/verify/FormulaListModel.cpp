#include "gui/verify/FormulaListModel.h"

#include <QGuiApplication>
#include <QPalette>

namespace korvel {

FormulaListModel::FormulaListModel(FormulaList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_toolTip(listToolTip()), m_selectedBrush(QColor(0, 0, 255)),
      m_unselectedBrush(QGuiApplication::palette().button()), m_matchBrush(QColor(0, 255, 0)),
      m_otherBrush(QColor(255, 255, 255)), m_onSelectedText(QColor(255, 255, 255)),
      m_unevaluableBrush(unevaluableColor())
{
    connect(&m_list, &FormulaList::aboutToRebuild, this, [this] {
        if (!m_resetting) {
            m_resetting = true;
            beginResetModel();
        }
    });
    connect(&m_list, &FormulaList::rebuilt, this, [this] {
        m_order.clear();
        rebuildTexts();
        if (m_resetting) {
            m_resetting = false;
            endResetModel();
        }
    });
    connect(&m_list, &FormulaList::selectionChanged, this, [this] { refreshColumns(0, 0); });
    connect(&m_list, &FormulaList::figuresChanged, this, [this] {
        rebuildTexts();
        refreshColumns(FormulaList::ColNextValue, FormulaList::ColumnCount - 1);
    });
    rebuildTexts();
}

QString FormulaListModel::listToolTip()
{
    return QStringLiteral("双击参数列可以以该参数次序排序，单击鼠标右键可以打开此表功能扩展菜单");
}

QString FormulaListModel::expressionFirst(const QString& text)
{
    // "[十位单选杀]百位码+3": the kind and sense repeat their own columns, so the expression goes first and the
    // bracket, as typed, after it.
    if (!text.startsWith(QLatin1Char('['))) {
        return text;
    }
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    const QString expression = close < 0 ? QString() : text.mid(close + 1).trimmed();
    if (expression.isEmpty()) {
        return text;
    }
    return expression + QStringLiteral("  ") + text.left(close + 1);
}

void FormulaListModel::setChineseText(bool chinese)
{
    if (chinese == m_chinese) {
        return;
    }
    m_chinese = chinese;
    rebuildTexts();
    refreshColumns(FormulaList::ColFormula, FormulaList::ColFormula);
}

void FormulaListModel::setDisplayOrder(std::vector<int> order)
{
    if (order.size() != m_texts.size()) {
        order.clear();
    }
    beginResetModel();
    m_order = std::move(order);
    endResetModel();
}

std::vector<int> FormulaListModel::displayOrder() const
{
    if (!m_order.empty()) {
        return m_order;
    }
    std::vector<int> order(m_texts.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<int>(i);
    }
    return order;
}

void FormulaListModel::setWeightedRate(bool weighted)
{
    if (weighted == m_weighted) {
        return;
    }
    m_weighted = weighted;
    emit headerDataChanged(Qt::Horizontal, FormulaList::ColRate, FormulaList::ColRate);
}

void FormulaListModel::rebuildTexts()
{
    const int n = m_list.rowCount();
    m_texts.resize(static_cast<std::size_t>(n));
    m_nextValueTips.assign(static_cast<std::size_t>(n), QString());
    for (int r = 0; r < n; ++r) {
        auto& texts = m_texts[static_cast<std::size_t>(r)];
        for (int c = 0; c < FormulaList::ColumnCount; ++c) {
            texts[static_cast<std::size_t>(c)] = m_list.cellText(r, c, m_chinese);
        }
        auto& formula = texts[static_cast<std::size_t>(FormulaList::ColFormula)];
        formula = expressionFirst(formula);
        const FormulaListRow& row = m_list.row(r);
        if (!row.evaluable) {
            m_nextValueTips[static_cast<std::size_t>(r)] =
                QStringLiteral("该公式无法计算：%1。每一期都按错误计算。").arg(row.error);
        }
    }
}

void FormulaListModel::refreshColumns(int first, int last)
{
    if (m_resetting || rowCount() == 0) {
        return;
    }
    emit dataChanged(index(0, first), index(rowCount() - 1, last));
}

int FormulaListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_texts.size());
}

int FormulaListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FormulaList::ColumnCount;
}

QVariant FormulaListModel::data(const QModelIndex& index, int role) const
{
    const int c = index.column();
    // While the list is being rebuilt its rows may already be gone; the texts are the model's own rows.
    if (!index.isValid() || m_resetting || index.row() >= m_list.rowCount()) {
        return {};
    }
    const int r = listRow(index.row());
    switch (role) {
    case Qt::DisplayRole:
        // The number is the display position: list row i's number text is i + 1.
        return m_texts[static_cast<std::size_t>(c == FormulaList::ColNumber ? index.row() : r)]
                      [static_cast<std::size_t>(c)];
    case Qt::BackgroundRole:
        if (c == FormulaList::ColNumber) {
            return m_list.rowSelected(r) ? m_selectedBrush : m_unselectedBrush;
        }
        if (c == FormulaList::ColNextValue) {
            switch (m_list.nextValueMark(r)) {
            case NextValueMark::Match:
                return m_matchBrush;
            case NextValueMark::Other:
                return m_otherBrush;
            case NextValueMark::None:
                break;
            }
        }
        if ((c == FormulaList::ColFormula || c == FormulaList::ColNextValue) && !m_list.row(r).evaluable) {
            return m_unevaluableBrush;
        }
        return {};
    case Qt::ForegroundRole:
        return c == FormulaList::ColNumber && m_list.rowSelected(r) ? QVariant(m_onSelectedText) : QVariant();
    case Qt::ToolTipRole:
        if (c == FormulaList::ColNextValue || c == FormulaList::ColFormula) {
            const QString& tip = m_nextValueTips[static_cast<std::size_t>(r)];
            if (!tip.isEmpty()) {
                return tip;
            }
        }
        if (c >= FormulaList::ColBaseline) {
            return m_list.cellToolTip(r, c);
        }
        return m_toolTip;
    case Qt::TextAlignmentRole:
        return c == FormulaList::ColFormula || c == FormulaList::ColRate || c == FormulaList::ColForward
                   ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                   : QVariant(Qt::AlignCenter);
    default:
        return {};
    }
}

QVariant FormulaListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= FormulaList::ColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return FormulaList::columnHeader(section, m_weighted);
    }
    if (role == Qt::ToolTipRole) {
        return m_toolTip;
    }
    return {};
}

} // namespace korvel
