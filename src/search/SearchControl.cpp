// The search session's hold-out and random control ("留出最近 K 期检验", "随机对照").
#include "history/HistorySnapshot.h"
#include "platform/Dialogs.h"
#include "platform/TextNumber.h"
#include "search/SearchHost.h"
#include "search/SearchSession.h"
#include "search/SearchText.h"

namespace korvel {

bool SearchSession::prepareHoldout(const SnapshotPtr& full)
{
    m_holdoutCheck.reset();
    m_holdoutMinRate.reset();
    if (m_holdout <= 0) {
        return true;
    }
    if (m_holdout >= full->size() - 1) {
        message(QStringLiteral("留出最近 %1 期检验：历史号码只有 %2 期，留出后没有可验证的开奖。请减小留出期数。")
                    .arg(m_holdout)
                    .arg(full->size()));
        return false;
    }
    std::optional<double> minRate;
    const QString text = m_holdoutMin.trimmed();
    if (!text.isEmpty()) {
        if (!isNumericText(text)) {
            message(QStringLiteral("检验正确率“%1”不是数字。留空表示不低于随机基准。").arg(text));
            return false;
        }
        minRate = textValue(text);
    }
    m_holdoutCheck = std::make_unique<HoldoutCheck>(full, m_holdout, minRate);
    m_holdoutMinRate = minRate;
    return true;
}

bool SearchSession::startControl()
{
    if (refuseWhileRunning()) {
        return false;
    }
    poll();
    if (!m_lastManual.exists || m_lastManual.verified <= 0) {
        message(QStringLiteral(
                    "请先用“开始搜索(&F)”搜索一次：随机对照以同样的设置、种子和候选公式数，在随机开奖上重复那次搜索。"),
                false);
        return false;
    }
    const SnapshotPtr full = m_host.snapshot();
    if (!full || full->size() <= m_lastManual.holdout + 1) {
        message(QStringLiteral("没有历史号码，无法验证公式。"));
        return false;
    }
    const auto random = std::make_shared<const HistorySnapshot>(
        randomDigitsSnapshot(*full, controlDigitsSeed(m_lastManual.start.seed())));
    const FigureSettings settings = m_host.figureSettings();
    auto data = std::make_shared<const KernelData>(*heldOutSnapshot(random, m_lastManual.holdout), settings.windowDraws,
                                                   settings.weighted, m_lastManual.rule.maxLag);
    m_runner.pause();
    m_controlRecord = SearchRecord{};
    // The same candidates: the space as the run found it, the generator where the run started.
    const SearchStage stage{m_lastManual.rule, std::make_shared<SpaceProgress>(m_lastManual.space)};
    m_control = std::make_unique<ManualSearchJob>(
        m_controlRecord, std::move(data), m_lastManual.kind, m_lastManual.kill, std::vector<SearchStage>{stage},
        m_lastManual.thresholds, m_candidate.form, std::nullopt, m_lastManual.verified);
    // Both sides count the same thing: with a hold-out, the formulas that also passed it (on the real draws,
    // the result lines; on the random ones, the same check over their own newest draws).
    m_controlHoldout.reset();
    if (m_lastManual.holdout > 0) {
        m_controlHoldout = std::make_unique<HoldoutCheck>(random, m_lastManual.holdout, m_lastManual.holdoutMin);
        m_control->setHoldout(m_controlHoldout.get());
    }
    m_controlGenerator = m_lastManual.start;
    m_controlReal = m_lastManual.holdout > 0 ? m_lastManual.passed : m_lastManual.accepted;
    m_controlRandom = -1;
    m_mode = SearchMode::Control;
    m_reason = StopReason::None;
    m_finishPending = true;
    m_runner.start(*m_control, m_controlGenerator);
    return true;
}

void SearchSession::finishControl()
{
    m_reason = m_control->reason();
    m_controlRandom = static_cast<int>(m_controlRecord.found.size());
}

QString SearchSession::controlText() const
{
    if (m_controlRandom < 0) {
        return {};
    }
    const QString counted =
        m_controlHoldout ? QStringLiteral("检索合格且通过留出最近 %1 期检验的公式").arg(m_controlHoldout->heldOut())
                         : QStringLiteral("检索合格的公式");
    return QStringLiteral("真实开奖: %1 条, 随机开奖: %2 条（%3）")
        .arg(m_controlReal)
        .arg(m_controlRandom)
        .arg(counted);
}

} // namespace korvel
