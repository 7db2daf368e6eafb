#pragma once

#include <QWidget>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

namespace korvel {

class SearchSession;
struct SearchProgress;

// "公式参数智能设置": the sample count (a slider 20..1000 with its value beside it), the two tuning commands,
// and, while a tuning runs, its progress and a button that cancels it (a cancelled tuning stores nothing).
class TuningPanel : public QWidget {
    Q_OBJECT
public:
    explicit TuningPanel(SearchSession& session, QWidget* parent = nullptr);

    QSlider* sampleSlider() const { return m_samples; }
    QPushButton* currentKindButton() const { return m_current; }
    QPushButton* allKindsButton() const { return m_all; }
    QPushButton* cancelButton() const { return m_cancel; }
    QProgressBar* progressBar() const { return m_progress; }

    void showSession();
    void showProgress(const SearchProgress& p);

private:
    SearchSession& m_session;
    QSlider* m_samples;
    QLineEdit* m_sampleField;
    QPushButton* m_current;
    QPushButton* m_all;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
};

} // namespace korvel
