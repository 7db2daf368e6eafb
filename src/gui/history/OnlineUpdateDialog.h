#pragma once

#include <QProgressDialog>

namespace korvel {

class OnlineHistoryUpdate;

// The progress of an online history update: the source being read and its page, and a cancel button that
// stops the download (nothing is stored then). Opens when the update starts and closes itself when it
// finishes; the update must outlive the dialog's run.
class OnlineUpdateDialog : public QProgressDialog {
    Q_OBJECT
public:
    OnlineUpdateDialog(OnlineHistoryUpdate& update, QWidget* parent = nullptr);

private:
    OnlineHistoryUpdate& m_update;
    QString m_source;
};

} // namespace korvel
