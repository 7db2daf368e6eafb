#pragma once

#include "formula/Formula.h"
#include "formula/FormulaKind.h"
#include "history/SnapshotPtr.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace korvel {

class Dialogs;
class HitChartView;

// "命中走势图": the hit chart of one formula over its evaluation window (the statistics' window: the draws
// [windowStart, end) of the snapshot), with its text above and "导出图片" (a PNG of the heading and the chart).
// The dialogs must outlive the window.
class HitChartWindow : public QWidget {
    Q_OBJECT
public:
    HitChartWindow(Dialogs& dialogs, QString folder, QWidget* parent = nullptr);

    void setFormula(const HistorySnapshot& snapshot, const Formula& formula, const FormulaKind& kind, int windowStart);

    HitChartView* chartView() const { return m_chart; }
    QLabel* heading() const { return m_heading; }
    // The heading and the chart as the PNG shows them.
    QImage picture() const;
    QString exportPicture();
    // Where the last picture went ("图片已写入：…"), empty before the first.
    QLabel* writtenLabel() const { return m_written; }

signals:
    void pictureWritten(const QString& path);

private:
    Dialogs& m_dialogs;
    QString m_folder;
    QWidget* m_area;
    QLabel* m_heading;
    HitChartView* m_chart;
    QPushButton* m_picture;
    QLabel* m_written;
};

} // namespace korvel
