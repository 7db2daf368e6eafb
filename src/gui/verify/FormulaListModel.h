#pragma once

#include "verify/FormulaList.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QColor>
#include <QString>

#include <array>
#include <vector>

namespace korvel {

// The formula list as a table of eleven columns over the FormulaList the session holds. The cell texts are
// built once per change of the list (a rebuild, a statistics pass, a switch of the display tab) and the
// brushes once per model, so data() only indexes arrays, even for a table of 32 767 formulas.
//
// Colours: 序号 on blue when the formula is selected, on the button face when not; 计算值 after a click on
// that column green where kind and value equal the clicked row's, white elsewhere. A formula that cannot be
// computed shows so in its 计算值 cell; its 公式 and 计算值 cells are on unevaluableColor(), with the reason
// as their tooltip.
//
// The list must outlive the model. GUI thread only.
class FormulaListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FormulaListModel(FormulaList& list, QObject* parent = nullptr);

    FormulaList& list() const { return m_list; }

    // Tab "公式中文显示" (true) or "公式英文显示" (false): column 1 shows gongshiCN or gongshi.
    bool chineseText() const { return m_chinese; }
    void setChineseText(bool chinese);
    // Header of the rate column: "正确率（加权算法）" with weighting, else "正确率". The window sets it before
    // each pass, so that the header names the method the figures were counted by.
    bool weightedRate() const { return m_weighted; }
    void setWeightedRate(bool weighted);

    // The background of the 公式 and 计算值 cells of a formula that cannot be computed (a light red).
    static QColor unevaluableColor() { return QColor(255, 204, 204); }

    // Tooltip of the list: how to sort and where the menu is.
    static QString listToolTip();
    // The text of the 公式 column: a formula in the bracket form shows its expression first.
    static QString expressionFirst(const QString& text);

    // The order of the double-click re-sort: display row i shows list row order[i], numbered i + 1. Empty
    // (the default) is the list's own `idx` order; a rebuild of the list returns to it. Resets the model.
    void setDisplayOrder(std::vector<int> order);
    // Always a full permutation of the list's rows.
    std::vector<int> displayOrder() const;
    // The list row shown at a display row.
    int listRow(int displayRow) const
    {
        return m_order.empty() ? displayRow : m_order[static_cast<std::size_t>(displayRow)];
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void rebuildTexts();
    void refreshColumns(int first, int last);

    FormulaList& m_list;
    bool m_chinese = true;
    bool m_weighted = true;
    bool m_resetting = false;
    std::vector<std::array<QString, FormulaList::ColumnCount>> m_texts;
    std::vector<QString> m_nextValueTips; // reason per row a formula cannot be computed, else empty
    std::vector<int> m_order;             // display row -> list row; empty for the idx order
    QString m_toolTip;
    QBrush m_selectedBrush;
    QBrush m_unselectedBrush;
    QBrush m_matchBrush;
    QBrush m_otherBrush;
    QBrush m_onSelectedText;
    QBrush m_unevaluableBrush;
};

} // namespace korvel
