#pragma once

#include <QProgressDialog>

namespace korvel {

class OnlineHistoryUpdate;

// The progress of an online history update: one step per results page, the year being fetched, and a
// cancel button that stops the download (nothing is stored then). Opens when the update starts and closes
// itself when it finishes; the update must outlive the dialog's run.
class OnlineUpdateDialog : public QProgressDialog {
    Q_OBJECT
public:
    OnlineUpdateDialog(OnlineHistoryUpdate& update, QWidget* parent = nullptr);

private:
    OnlineHistoryUpdate& m_update;
};

} // namespace korvel
