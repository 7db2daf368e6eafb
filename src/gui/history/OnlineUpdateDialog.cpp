#include "gui/history/OnlineUpdateDialog.h"

#include "history/OnlineUpdate.h"

namespace korvel {

OnlineUpdateDialog::OnlineUpdateDialog(OnlineHistoryUpdate& update, QWidget* parent)
    : QProgressDialog(parent), m_update(update)
{
    setObjectName(QStringLiteral("onlineUpdateDialog"));
    setWindowTitle(QStringLiteral("在线更新"));
    setLabelText(QStringLiteral("正在连接开奖走势图网站……"));
    setCancelButtonText(QStringLiteral("取消"));
    setWindowModality(Qt::WindowModal);
    setMinimumDuration(0);
    setAutoClose(false);
    setAutoReset(false);
    setRange(0, std::max(update.plan().pageCount(), 1));
    setValue(0);

    connect(&update, &OnlineHistoryUpdate::pageStarted, this, [this](int index, int count, int year) {
        setMaximum(count);
        setValue(index);
        setLabelText(
            QStringLiteral("正在下载 %1 年的开奖号码（第 %2 页，共 %3 页）……").arg(year).arg(index + 1).arg(count));
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
