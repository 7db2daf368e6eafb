#include "gui/tally/SortSettingsDialog.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace korvel {

SortSettingsDialog::SortSettingsDialog(SortDialogState& state, SortSettings& settings, QWidget* parent)
    : QDialog(parent), m_state(state), m_settings(settings), m_limit(new QLineEdit(this)),
      m_ok(new QPushButton(QStringLiteral("确定(&O)"), this))
{
    setObjectName(QStringLiteral("sortSettingsDialog"));
    setWindowTitle(QStringLiteral("公式排序设置"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* groups = new QHBoxLayout;
    for (int g = 0; g < SortDialogState::kGroupCount; ++g) {
        auto* box = new QGroupBox(SortDialogState::groupCaption(g), this);
        box->setObjectName(QStringLiteral("sortGroup%1").arg(g + 1));
        auto* column = new QVBoxLayout(box);
        auto* group = new QButtonGroup(box);
        for (int o = 0; o < SortDialogState::kOptionCount; ++o) {
            auto* radio = new QRadioButton(SortDialogState::optionCaption(o), box);
            radio->setObjectName(QStringLiteral("sortOption%1_%2").arg(g + 1).arg(o));
            group->addButton(radio, o);
            column->addWidget(radio);
        }
        connect(group, &QButtonGroup::idClicked, this, [this, g](int o) { m_state.choose(g, o); });
        m_groups[static_cast<std::size_t>(g)] = group;
        groups->addWidget(box);
    }
    layout->addLayout(groups);

    auto* limitRow = new QHBoxLayout;
    limitRow->addWidget(new QLabel(QStringLiteral("设置需要保留的项目个数限额(少于或等于)"), this));
    m_limit->setObjectName(QStringLiteral("sortLimitBox"));
    m_limit->setMaximumWidth(60);
    m_limit->installEventFilter(this);
    limitRow->addWidget(m_limit);
    limitRow->addStretch(1);
    layout->addLayout(limitRow);

    m_ok->setObjectName(QStringLiteral("sortOkButton"));
    m_ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &SortSettingsDialog::confirm);
}

QRadioButton* SortSettingsDialog::option(int group, int option) const
{
    if (group < 0 || group >= SortDialogState::kGroupCount) {
        return nullptr;
    }
    return qobject_cast<QRadioButton*>(m_groups[static_cast<std::size_t>(group)]->button(option));
}

void SortSettingsDialog::showEvent(QShowEvent* event)
{
    m_state.activate();
    m_limit->setText(m_state.limitText());
    for (int g = 0; g < SortDialogState::kGroupCount; ++g) {
        if (QRadioButton* radio = option(g, m_state.choice(g))) {
            radio->setChecked(true);
        }
    }
    QDialog::showEvent(event);
}

bool SortSettingsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_limit && event->type() == QEvent::FocusIn) {
        QTimer::singleShot(0, m_limit, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

void SortSettingsDialog::confirm()
{
    m_state.setLimitText(m_limit->text());
    m_settings = m_state.confirm();
    accept();
}

} // namespace korvel
