#pragma once

#include "history/SnapshotPtr.h"

#include <QAbstractTableModel>

namespace korvel {

// The parameters of the newest stored draw, one labelled row per parameter group: rows 1–13 show the
// per-position families with 百位, 十位, 个位 in columns 1–3, rows 14–51 the whole-draw, issue and date
// values in column 4 ("总位"), then rows 52–57 the words of the language beyond the parameters (上期,
// 上上期, 前N期, 取整, 绝对值, 整除 \), each with an example computed on the newest draw. The title row is the
// horizontal header. Empty history: labels only.
class ParameterReferenceModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kParameterRows = 51;
    static constexpr int kLanguageRows = 6;
    static constexpr int kRows = kParameterRows + kLanguageRows; // without the title row
    static constexpr int kColumns = 5;

    explicit ParameterReferenceModel(QObject* parent = nullptr);

    void setSnapshot(SnapshotPtr snapshot);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVariant languageData(int languageRow, int col) const;

    SnapshotPtr m_snapshot;
};

} // namespace korvel
