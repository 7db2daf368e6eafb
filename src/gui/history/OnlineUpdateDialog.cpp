#include "gui/history/OnlineUpdateDialog.h"

#include "history/OnlineUpdate.h"

namespace korvel {

OnlineUpdateDialog::OnlineUpdateDialog(OnlineHistoryUpdate& update, QWidget* parent)
    : QProgressDialog(parent), m_update(update)
{
    setObjectName(QStringLiteral("onlineUpdateDialog"));
    setWindowTitle(QStringLiteral("在线更新"));
    setLabelText(QStringLiteral("正在连接……"));
    setCancelButtonText(QStringLiteral("取消"));
    setWindowModality(Qt::WindowModal);
    setMinimumDuration(0);
    setAutoClose(false);
    setAutoReset(false);
    setRange(0, std::max<int>(static_cast<int>(update.request().sources.size()), 1));
    setValue(0);

    connect(&update, &OnlineHistoryUpdate::sourceStarted, this, [this](int index, int count, const QString& label) {
        setMaximum(count);
        setValue(index);
        m_source = count > 1
                       ? QStringLiteral("正在从第 %1 个来源（共 %2 个）下载：%3").arg(index + 1).arg(count).arg(label)
                       : QStringLiteral("正在下载：%1").arg(label);
        setLabelText(m_source);
    });
    connect(&update, &OnlineHistoryUpdate::pageStarted, this, [this](int index, const QUrl&) {
        if (index > 0) {
            setLabelText(m_source + QStringLiteral("\n第 %1 页……").arg(index + 1));
        }
    });
    connect(this, &QProgressDialog::canceled, &update, [this] {
        setLabelText(QStringLiteral("正在取消……"));
        m_update.cancel();
    });
    connect(&update, &OnlineHistoryUpdate::finished, this, [this] {
        setValue(maximum());
        accept();
    });
}

} // namespace korvel
