#include "tally/TallyChoice.h"

namespace korvel {

int TallyChoice::selector() const
{
    int s = groupPlay ? 0 : 1;
    if (method == TallyMethod::Selected) {
        s += 2;
    }
    if (mode == TallyMode::Verify) {
        s += 4;
    }
    return s;
}

ResultView TallyChoice::view() const
{
    if (groupPlay) {
        return ResultView::Group;
    }
    return category == CategoryPlay::None ? ResultView::PerPosition : ResultView::PerPositionCategory;
}

QString TallyChoice::caption(const QString& nextIssue, const QString& verifyIssue) const
{
    const bool verify = mode == TallyMode::Verify;
    // The group view keeps the word "计算" in verify mode as well.
    const QString verb = verify && !groupPlay ? QStringLiteral("验证") : QStringLiteral("计算");
    return verb + (verify ? verifyIssue : nextIssue) + QStringLiteral("期结果排序");
}

} // namespace korvel
