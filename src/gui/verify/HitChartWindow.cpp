#include "gui/verify/HitChartWindow.h"

#include "formula/Expression.h"
#include "gui/verify/HitChartView.h"
#include "gui/widgets/PngExport.h"
#include "history/HistorySnapshot.h"
#include "verify/HitSeries.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel {

HitChartWindow::HitChartWindow(Dialogs& dialogs, QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs), m_folder(std::move(folder)), m_area(new QWidget(this)),
      m_heading(new QLabel(m_area)), m_chart(new HitChartView(m_area)),
      m_picture(new QPushButton(QStringLiteral("导出图片"), this)), m_written(new QLabel(this))
{
    m_written->setObjectName(QStringLiteral("hitChartWrittenLabel"));
    m_written->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setObjectName(QStringLiteral("hitChartWindow"));
    setWindowTitle(QStringLiteral("命中走势图"));
    m_heading->setObjectName(QStringLiteral("hitChartHeading"));
    m_heading->setWordWrap(true);
    m_picture->setObjectName(QStringLiteral("hitChartPictureButton"));
    auto* areaLayout = new QVBoxLayout(m_area);
    areaLayout->setContentsMargins(6, 6, 6, 6);
    areaLayout->addWidget(m_heading);
    areaLayout->addWidget(m_chart, 1);
    m_area->setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_area, 1);
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_written, 1);
    bar->addWidget(m_picture);
    layout->addLayout(bar);
    connect(m_picture, &QPushButton::clicked, this, &HitChartWindow::exportPicture);
    resize(980, 560);
}

void HitChartWindow::setFormula(const HistorySnapshot& snapshot, const Formula& formula, const FormulaKind& kind,
                                int windowStart)
{
    HitSeries series =
        hitSeries(snapshot, Expression::compile(formula.expressionText), kind, formula.kill, windowStart);
    QStringList issues;
    for (int i = 0; i < series.size(); ++i) {
        issues << snapshot.issue(series.first + i);
    }
    m_heading->setText(
        QStringLiteral("%1  %2  %3（%4期）")
            .arg(kind.label(), formula.kill ? QStringLiteral("杀") : QStringLiteral("生"), formula.displayText)
            .arg(series.size()));
    m_chart->setSeries(std::move(series), std::move(issues));
}

QImage HitChartWindow::picture() const
{
    return widgetImage(m_area);
}

QString HitChartWindow::exportPicture()
{
    const QString path = exportPng(picture(), m_dialogs, QDir(m_folder).filePath(QStringLiteral("命中走势图.png")));
    if (!path.isEmpty()) {
        m_written->setText(pictureWrittenText(path));
        emit pictureWritten(path);
    }
    return path;
}

} // namespace korvel
