#pragma once

#include "tally/MethodBacktest.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace korvel {

class BacktestChartView;
class Dialogs;

// "回测图": the survival chart of a method backtest, one slot at a time (the slot choice lists the slots of
// the result: 通选, 个位, 十位, 百位), with "导出图片". For the backtest window to open on its result. The
// dialogs must outlive the window.
class BacktestChartWindow : public QWidget {
    Q_OBJECT
public:
    BacktestChartWindow(Dialogs& dialogs, QString folder, QWidget* parent = nullptr);

    void setResult(BacktestResult result);

    BacktestChartView* chartView() const { return m_chart; }
    QComboBox* slotBox() const { return m_slots; }
    QString exportPicture();
    QLabel* writtenLabel() const { return m_written; }

signals:
    void pictureWritten(const QString& path);

private:
    void showSlot();

    Dialogs& m_dialogs;
    QString m_folder;
    BacktestResult m_result;
    QComboBox* m_slots;
    BacktestChartView* m_chart;
    QPushButton* m_picture;
    QLabel* m_written;
};

} // namespace korvel
