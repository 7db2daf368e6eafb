#include "gui/search/SchemePanel.h"

#include "search/SearchSession.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <tuple>

namespace korvel {

namespace {
const std::array<const char*, 3> kPositionWords = {"个位", "十位", "百位"};

// Colours of the kind labels while the scheme walks: the kind searched, the kinds done.
const QColor kCurrentColour(0xFF, 0x00, 0x00);
const QColor kDoneColour(0x00, 0x00, 0xFF);

void setLabelColour(QLabel* label, SchemeWalk::Mark mark)
{
    QPalette palette = label->parentWidget()->palette();
    if (mark == SchemeWalk::Mark::Current) {
        palette.setColor(QPalette::WindowText, kCurrentColour);
    } else if (mark == SchemeWalk::Mark::Done) {
        palette.setColor(QPalette::WindowText, kDoneColour);
    }
    label->setPalette(palette);
}
} // namespace

SchemePanel::SchemePanel(SearchSession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_mode(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("schemePanel"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* box = new QGroupBox(QStringLiteral("公式自动搜索方案设置"), this);
    box->setObjectName(QStringLiteral("schemeBox"));
    auto* layout = new QVBoxLayout(box);
    outer->addWidget(box);

    auto* groups = new QHBoxLayout;
    for (int play = 0; play < 2; ++play) {
        groups->addWidget(buildQuotaGroup(play, box));
    }
    layout->addLayout(groups);
    layout->addLayout(buildModeRow(box));

    m_append = new QCheckBox(QStringLiteral("搜索完毕公式自动追加到数据库"), box);
    m_append->setObjectName(QStringLiteral("autoAppendCheck"));
    m_replace = new QCheckBox(QStringLiteral("搜索完毕公式自动更新到数据库"), box);
    m_replace->setObjectName(QStringLiteral("autoReplaceCheck"));
    layout->addWidget(m_append);
    layout->addWidget(m_replace);

    auto* total = new QHBoxLayout;
    total->addWidget(new QLabel(QStringLiteral("公式总保有量"), box));
    m_totalHeld = new QLabel(box);
    m_totalHeld->setObjectName(QStringLiteral("totalHeldLabel"));
    total->addWidget(m_totalHeld, 1);
    layout->addLayout(total);

    layout->addLayout(buildStoreRow(box));

    m_start = new QPushButton(QStringLiteral("确定搜索方案开始搜索"), box);
    m_start->setObjectName(QStringLiteral("startSchemeButton"));
    layout->addWidget(m_start);
    auto* run = new QHBoxLayout;
    m_pause = new QPushButton(QStringLiteral("暂停"), box);
    m_pause->setObjectName(QStringLiteral("pauseSchemeButton"));
    m_continue = new QPushButton(QStringLiteral("继续"), box);
    m_continue->setObjectName(QStringLiteral("continueSchemeButton"));
    run->addWidget(m_pause);
    run->addWidget(m_continue);
    layout->addLayout(run);

    connectSignals();
}

QGroupBox* SchemePanel::buildQuotaGroup(int play, QWidget* box)
{
    auto* group = new QGroupBox(play == 0 ? QStringLiteral("单选") : QStringLiteral("通选"), box);
    group->setObjectName(play == 0 ? QStringLiteral("quotaSingleBox") : QStringLiteral("quotaGroupBox"));
    auto* grid = new QGridLayout(group);
    for (int position = 1; position <= 3; ++position) {
        const int kind = position + 3 * play;
        const auto i = static_cast<std::size_t>(kind - 1);
        m_kindLabels[i] = new QLabel(QString::fromUtf8(kPositionWords[static_cast<std::size_t>(position - 1)]), group);
        m_kindLabels[i]->setObjectName(QStringLiteral("kindLabel%1").arg(kind));
        m_quotas[i] = new QLineEdit(group);
        m_quotas[i]->setObjectName(QStringLiteral("quota%1").arg(kind));
        m_existing[i] = new QLabel(group);
        m_existing[i]->setObjectName(QStringLiteral("existing%1").arg(kind));
        m_existing[i]->setMinimumWidth(40);
        grid->addWidget(m_kindLabels[i], position - 1, 0);
        grid->addWidget(m_quotas[i], position - 1, 1);
        grid->addWidget(m_existing[i], position - 1, 2);
        if (kind == 4) {
            // 个位 has no group play: its quota is shown, never searched.
            m_quotas[i]->setEnabled(false);
            continue;
        }
        connect(m_quotas[i], &QLineEdit::textEdited, this, [this, kind](const QString& text) {
            m_session.scheme().quota(kind) = text;
            showTotal();
        });
    }
    return group;
}

QHBoxLayout* SchemePanel::buildModeRow(QWidget* box)
{
    auto* modes = new QHBoxLayout;
    for (const auto& [mode, caption, name] : {std::tuple{QuotaMode::Hold, "公式保有数量", "quotaHold"},
                                              std::tuple{QuotaMode::Add, "公式新增数量", "quotaAdd"}}) {
        auto* radio = new QRadioButton(QString::fromUtf8(caption), box);
        radio->setObjectName(QString::fromLatin1(name));
        m_mode->addButton(radio, static_cast<int>(mode));
        modes->addWidget(radio);
    }
    return modes;
}

QHBoxLayout* SchemePanel::buildStoreRow(QWidget* box)
{
    auto* store = new QHBoxLayout;
    auto* save = new QPushButton(QStringLiteral("保存设置"), box);
    save->setObjectName(QStringLiteral("saveSchemeButton"));
    auto* load = new QPushButton(QStringLiteral("调用设置"), box);
    load->setObjectName(QStringLiteral("loadSchemeButton"));
    store->addWidget(save);
    store->addWidget(load);
    connect(save, &QPushButton::clicked, this, [this] { m_session.saveScheme(); });
    connect(load, &QPushButton::clicked, this, [this] {
        m_session.loadScheme();
        showSession();
    });
    return store;
}

void SchemePanel::connectSignals()
{
    connect(m_mode, &QButtonGroup::idClicked, this, [this](int id) {
        m_session.scheme().setMode(static_cast<QuotaMode>(id));
        showSession();
    });
    connect(m_append, &QCheckBox::clicked, this, [this](bool checked) {
        m_session.scheme().setAutoAppend(checked);
        showSession();
    });
    connect(m_replace, &QCheckBox::clicked, this, [this](bool checked) {
        m_session.scheme().setAutoReplace(checked);
        showSession();
    });
}

void SchemePanel::showSession()
{
    const SchemeSettings& scheme = m_session.scheme();
    for (int kind = 1; kind <= 6; ++kind) {
        const auto i = static_cast<std::size_t>(kind - 1);
        if (m_quotas[i]->text() != scheme.quotas[i]) {
            m_quotas[i]->setText(scheme.quotas[i]);
        }
        m_existing[i]->setText(kind == 4 ? QString() : QString::number(m_session.existingCounts()[i]));
    }
    m_mode->button(static_cast<int>(scheme.mode))->setChecked(true);
    m_append->setChecked(scheme.autoAppend);
    m_replace->setChecked(scheme.autoReplace);
    showTotal();
}

void SchemePanel::showTotal()
{
    m_totalHeld->setText(m_session.totalHeldText());
}

void SchemePanel::showProgress(const SearchProgress& p)
{
    const bool scheme = p.mode == SearchMode::Scheme;
    for (int kind = 1; kind <= 6; ++kind) {
        setLabelColour(m_kindLabels[static_cast<std::size_t>(kind - 1)],
                       scheme ? p.marks[static_cast<std::size_t>(kind - 1)] : SchemeWalk::Mark::None);
    }
    for (int kind = 1; kind <= 6; ++kind) {
        const auto i = static_cast<std::size_t>(kind - 1);
        const QString count = kind == 4 ? QString() : QString::number(m_session.existingCounts()[i]);
        if (m_existing[i]->text() != count) {
            m_existing[i]->setText(count);
        }
    }
    showTotal();
    m_start->setEnabled(!p.running);
    m_pause->setEnabled(p.running && scheme);
    m_continue->setEnabled(!p.running && scheme && p.schemeKind >= 1 && p.schemeKind < kSchemeFinished &&
                           p.reason == StopReason::None);
}

} // namespace korvel
