#include "gui/tally/BacktestChartWindow.h"

#include "gui/tally/BacktestChartView.h"
#include "gui/widgets/PngExport.h"
#include "session/BacktestCommand.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel {

BacktestChartWindow::BacktestChartWindow(Dialogs& dialogs, QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs), m_folder(std::move(folder)), m_slots(new QComboBox(this)),
      m_chart(new BacktestChartView(this)), m_picture(new QPushButton(QStringLiteral("导出图片"), this)),
      m_written(new QLabel(this))
{
    m_written->setObjectName(QStringLiteral("backtestChartWrittenLabel"));
    m_written->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setObjectName(QStringLiteral("backtestChartWindow"));
    setWindowTitle(QStringLiteral("回测图"));
    m_slots->setObjectName(QStringLiteral("backtestChartSlot"));
    m_picture->setObjectName(QStringLiteral("backtestChartPictureButton"));
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("位数："), this));
    bar->addWidget(m_slots);
    bar->addStretch(1);
    bar->addWidget(m_picture);
    layout->addLayout(bar);
    layout->addWidget(m_chart, 1);
    layout->addWidget(m_written);
    connect(m_slots, &QComboBox::currentIndexChanged, this, &BacktestChartWindow::showSlot);
    connect(m_picture, &QPushButton::clicked, this, &BacktestChartWindow::exportPicture);
    resize(820, 520);
}

void BacktestChartWindow::setResult(BacktestResult result)
{
    m_result = std::move(result);
    const QSignalBlocker quiet(m_slots);
    m_slots->clear();
    for (const BacktestSummary& s : m_result.summary) {
        m_slots->addItem(backtestSlotName(s.slot), s.slot);
    }
    // The result judges the slot of the choice (通选 or the chosen position); the last slot is shown.
    m_slots->setCurrentIndex(m_slots->count() - 1);
    showSlot();
}

void BacktestChartWindow::showSlot()
{
    const int slot = m_slots->currentIndex() >= 0 ? m_slots->currentData().toInt() : -1;
    m_chart->setResult(m_result, slot);
    m_picture->setEnabled(m_chart->emptyText().isEmpty());
}

QString BacktestChartWindow::exportPicture()
{
    const QString path =
        exportPng(widgetImage(m_chart), m_dialogs, QDir(m_folder).filePath(QStringLiteral("回测图.png")));
    if (!path.isEmpty()) {
        m_written->setText(pictureWrittenText(path));
        emit pictureWritten(path);
    }
    return path;
}

} // namespace korvel
