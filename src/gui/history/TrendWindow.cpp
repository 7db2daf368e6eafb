#include "gui/history/TrendWindow.h"

#include "gui/history/TrendModel.h"
#include "gui/history/TrendView.h"
#include "gui/widgets/PngExport.h"
#include "history/HistorySnapshot.h"
#include "history/TrendFigures.h"
#include "platform/Dialogs.h"
#include "platform/SheetGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace korvel {

namespace {
constexpr int kRanges[] = {30, 50, 100, 300, 0};
constexpr int kDefaultRange = 2; // 最近100期
} // namespace

int TrendWindow::rowsOfRange(int index)
{
    return kRanges[std::clamp(index, 0, 4)];
}

TrendWindow::TrendWindow(Dialogs& dialogs, Launcher& launcher, QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs), m_launcher(launcher), m_folder(std::move(folder)),
      m_model(new TrendModel(this)), m_grid(new TrendView(m_model, this)), m_range(new QComboBox(this)),
      m_empty(new QLabel(QStringLiteral("没有历史号码"), this)),
      m_copy(new QPushButton(QStringLiteral("复制到剪贴板"), this)),
      m_picture(new QPushButton(QStringLiteral("导出图片"), this)),
      m_sheet(new QPushButton(QStringLiteral("导出到Excel"), this)), m_written(new QLabel(this))
{
    m_written->setObjectName(QStringLiteral("trendWrittenLabel"));
    m_written->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setObjectName(QStringLiteral("trendWindow"));
    setWindowTitle(QStringLiteral("走势图"));
    m_range->setObjectName(QStringLiteral("trendRange"));
    for (const char* caption : {"最近30期", "最近50期", "最近100期", "最近300期", "全部"}) {
        m_range->addItem(QString::fromUtf8(caption));
    }
    m_range->setCurrentIndex(kDefaultRange);
    m_copy->setObjectName(QStringLiteral("trendCopyButton"));
    m_picture->setObjectName(QStringLiteral("trendPictureButton"));
    m_sheet->setObjectName(QStringLiteral("trendSheetButton"));
    m_empty->setObjectName(QStringLiteral("trendEmptyLabel"));
    m_empty->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("期数范围："), this));
    bar->addWidget(m_range);
    bar->addStretch(1);
    bar->addWidget(m_copy);
    bar->addWidget(m_picture);
    bar->addWidget(m_sheet);
    layout->addLayout(bar);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_empty, 1);
    layout->addWidget(m_written);

    connect(m_range, &QComboBox::currentIndexChanged, this, &TrendWindow::refill);
    connect(m_copy, &QPushButton::clicked, this, &TrendWindow::copyToClipboard);
    connect(m_picture, &QPushButton::clicked, this, &TrendWindow::exportPicture);
    connect(m_sheet, &QPushButton::clicked, this, &TrendWindow::exportSheet);

    int width = 2 * m_grid->frameWidth() + m_grid->verticalScrollBar()->sizeHint().width() + 24;
    for (int c = 0; c < TrendModel::ColumnCount; ++c) {
        width += m_grid->columnWidth(c);
    }
    resize(width, 720);
    refill();
}

void TrendWindow::setSnapshot(SnapshotPtr snapshot)
{
    m_snapshot = std::move(snapshot);
    refill();
}

void TrendWindow::chooseRange(int index)
{
    m_range->setCurrentIndex(std::clamp(index, 0, 4));
}

int TrendWindow::rangeIndex() const
{
    return m_range->currentIndex();
}

void TrendWindow::refill()
{
    const HistorySnapshot empty;
    m_model->setFigures(TrendFigures(m_snapshot ? *m_snapshot : empty, rowsOfRange(rangeIndex())));
    const bool none = m_model->rowCount() == 0;
    m_grid->setVisible(!none);
    m_empty->setVisible(none);
    for (QPushButton* b : {m_copy, m_picture, m_sheet}) {
        b->setEnabled(!none);
    }
    scrollToNewest();
}

void TrendWindow::scrollToNewest()
{
    m_grid->scrollToBottom();
}

void TrendWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Before the first show the grid has no height to scroll against.
    QMetaObject::invokeMethod(this, &TrendWindow::scrollToNewest, Qt::QueuedConnection);
}

void TrendWindow::copyToClipboard()
{
    QApplication::clipboard()->setText(m_model->toTabText());
}

QString TrendWindow::exportPicture()
{
    if (m_grid->fullHeight() > TrendView::kMaxImageHeight) {
        m_dialogs.message(QStringLiteral("导出图片"),
                          QStringLiteral("%1期的走势图太长，无法导出为一张图片，请选择较短的期数范围。")
                              .arg(m_model->figures().rowCount()),
                          Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return {};
    }
    const QString path =
        exportPng(m_grid->renderAll(), m_dialogs, QDir(m_folder).filePath(QStringLiteral("走势图.png")));
    if (!path.isEmpty()) {
        m_written->setText(pictureWrittenText(path));
        emit pictureWritten(path);
    }
    return path;
}

void TrendWindow::exportSheet()
{
    showSheet(m_model->toSheet(), m_folder, QStringLiteral("走势图.xls"), m_dialogs, m_launcher);
}

} // namespace korvel
