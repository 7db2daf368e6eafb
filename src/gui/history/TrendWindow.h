#pragma once

#include "history/SnapshotPtr.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace korvel {

class Dialogs;
class Launcher;
class TrendModel;
class TrendView;

// "走势图": the trend chart of the stored history. The range choice ("最近30期", "最近50期", "最近100期",
// "最近300期", "全部") picks the newest rows shown, newest at the bottom and scrolled into view with the
// summary rows under it. "复制到剪贴板" puts the chart on the clipboard as tab-separated text, "导出图片" writes a
// PNG of every row shown, "导出到Excel" writes 走势图.xls (numbers) into the data folder and shows it. An empty
// history shows "没有历史号码" instead of the grid. The dialogs and launcher must outlive the window.
class TrendWindow : public QWidget {
    Q_OBJECT
public:
    TrendWindow(Dialogs& dialogs, Launcher& launcher, QString folder, QWidget* parent = nullptr);

    void setSnapshot(SnapshotPtr snapshot);
    // Index of the range choice: 0..3 the newest 30, 50, 100, 300 draws, 4 all.
    void chooseRange(int index);
    int rangeIndex() const;
    static int rowsOfRange(int index);

    void copyToClipboard();
    QString exportPicture();
    void exportSheet();
    void scrollToNewest();

    TrendView* grid() const { return m_grid; }
    TrendModel* model() const { return m_model; }
    QComboBox* rangeBox() const { return m_range; }
    QLabel* emptyLabel() const { return m_empty; }
    // Where the last picture went ("图片已写入：…"), empty before the first.
    QLabel* writtenLabel() const { return m_written; }

signals:
    void pictureWritten(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refill();

    Dialogs& m_dialogs;
    Launcher& m_launcher;
    QString m_folder;
    SnapshotPtr m_snapshot;
    TrendModel* m_model;
    TrendView* m_grid;
    QComboBox* m_range;
    QLabel* m_empty;
    QPushButton* m_copy;
    QPushButton* m_picture;
    QPushButton* m_sheet;
    QLabel* m_written;
};

} // namespace korvel
