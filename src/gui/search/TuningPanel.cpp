#include "gui/search/TuningPanel.h"

#include "search/SearchKind.h"
#include "search/SearchSession.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace korvel {

TuningPanel::TuningPanel(SearchSession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_samples(new QSlider(Qt::Horizontal)), m_sampleField(new QLineEdit),
      m_current(new QPushButton(QStringLiteral("当前公式类在指定范围内检索最优参数设置"))),
      m_all(new QPushButton(QStringLiteral("所有公式类在指定范围内检索最优参数设置并保存"))),
      m_progress(new QProgressBar), m_cancel(new QPushButton(QStringLiteral("取消")))
{
    setObjectName(QStringLiteral("tuningPanel"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* box = new QGroupBox(QStringLiteral("公式参数智能设置"), this);
    box->setObjectName(QStringLiteral("tuningBox"));
    outer->addWidget(box);
    auto* layout = new QVBoxLayout(box);

    m_samples->setObjectName(QStringLiteral("tuningSlider"));
    m_samples->setRange(kMinTuningSamples, kMaxTuningSamples);
    m_samples->setSingleStep(20);
    m_samples->setPageStep(100);
    m_sampleField->setObjectName(QStringLiteral("tuningSamplesField"));
    m_sampleField->setReadOnly(true);
    m_sampleField->setFocusPolicy(Qt::NoFocus);
    m_sampleField->setMaximumWidth(56);
    auto* sampleRow = new QHBoxLayout;
    sampleRow->addWidget(m_samples, 1);
    sampleRow->addWidget(m_sampleField);
    layout->addLayout(sampleRow);

    m_current->setObjectName(QStringLiteral("tuneCurrentKindButton"));
    m_all->setObjectName(QStringLiteral("tuneAllKindsButton"));
    layout->addWidget(m_current);
    layout->addWidget(m_all);

    m_progress->setObjectName(QStringLiteral("tuningProgress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_cancel->setObjectName(QStringLiteral("cancelTuningButton"));
    m_cancel->setEnabled(false);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_cancel);
    layout->addLayout(progressRow);

    connect(m_samples, &QSlider::valueChanged, this, [this](int samples) {
        m_session.setTuningSamples(samples);
        m_sampleField->setText(QString::number(m_session.tuningSamples()));
    });
}

void TuningPanel::showSession()
{
    const QSignalBlocker block(m_samples);
    m_samples->setValue(m_session.tuningSamples());
    m_sampleField->setText(QString::number(m_session.tuningSamples()));
}

void TuningPanel::showProgress(const SearchProgress& p)
{
    const bool tuning = p.mode == SearchMode::Tuning || p.mode == SearchMode::TuningAllKinds;
    m_current->setEnabled(!p.running);
    m_all->setEnabled(!p.running);
    m_cancel->setEnabled(p.running && tuning);
    m_progress->setTextVisible(tuning);
    if (!tuning) {
        return;
    }
    // The all-kinds tuning counts its kinds one after another on the same bar.
    const int kinds = p.mode == SearchMode::TuningAllKinds ? static_cast<int>(kSearchedKindNumbers.size()) : 1;
    const int perKind = std::max(p.tuningTarget, 1);
    int done = 0;
    if (p.tuningKind == 0) {
        done = p.running || p.reason == StopReason::TuningDone ? kinds * perKind : 0;
    } else if (kinds > 1) {
        const auto* at = std::find(kSearchedKindNumbers.begin(), kSearchedKindNumbers.end(), p.tuningKind);
        done = static_cast<int>(at - kSearchedKindNumbers.begin()) * perKind + p.tuningSamples;
    } else {
        done = p.tuningSamples;
    }
    m_progress->setRange(0, kinds * perKind);
    m_progress->setValue(std::clamp(done, 0, kinds * perKind));
}

} // namespace korvel
