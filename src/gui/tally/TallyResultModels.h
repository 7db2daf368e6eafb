#pragma once

#include <QAbstractTableModel>
#include <QBrush>

namespace korvel {

class TallyResult;

// The ranked list of one page of a TallyResult ("该类公式计算综合结果"): "排序序号", "号码", the three
// counts and "保留/滤杀", every cell of a "滤杀" row in green, of a "保留" row in black. The headers follow
// the page (they name the re-sort once the page was re-sorted).
//
// Both models read the result as it stands; its aboutToChange()/changed() reset them, which costs nothing
// for ten rows. A page the result no longer has shows no rows. The result must outlive the models.
class ResultListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ResultListModel(const TallyResult& result, int page, QObject* parent = nullptr);

    int page() const { return m_page; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const TallyResult& m_result;
    int m_page;
    QBrush m_filtered;
    QBrush m_kept;
};

// The value summary of one page ("公式总计算结果情况统计"): "杀留次数", "个数", "号码".
class ResultSummaryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ResultSummaryModel(const TallyResult& result, int page, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const TallyResult& m_result;
    int m_page;
};

} // namespace korvel
