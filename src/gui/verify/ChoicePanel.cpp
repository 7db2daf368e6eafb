#include "gui/verify/ChoicePanel.h"

#include "verify/ChoiceHost.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace korvel {

namespace {
// Ids of the play group follow the options of "玩法选择".
constexpr int kPlaySingle = 0;
constexpr int kPlayGroup = 1;
constexpr int kPlayOddEven = 2;
constexpr int kPlayBigSmall = 3;

PlayChoice playOfId(int id)
{
    switch (id) {
    case kPlayGroup:
        return PlayChoice::Group;
    case kPlayOddEven:
        return PlayChoice::OddEven;
    case kPlayBigSmall:
        return PlayChoice::BigSmall;
    default:
        return PlayChoice::Single;
    }
}

int idOfPlay(PlayChoice play)
{
    switch (play) {
    case PlayChoice::Group:
        return kPlayGroup;
    case PlayChoice::OddEven:
        return kPlayOddEven;
    case PlayChoice::BigSmall:
        return kPlayBigSmall;
    case PlayChoice::Single:
        break;
    }
    return kPlaySingle;
}

QGroupBox* groupBox(const QString& caption, const QString& name, QWidget* parent)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    new QHBoxLayout(box);
    return box;
}
} // namespace

ChoicePanel::ChoicePanel(ChoiceHost& host, QWidget* parent)
    : QWidget(parent), m_host(host), m_position(new QButtonGroup(this)), m_play(new QButtonGroup(this)),
      m_sense(new QButtonGroup(this)), m_method(new QButtonGroup(this)), m_mode(new QButtonGroup(this)),
      m_verifyIssue(new QLineEdit(this))
{
    setObjectName(QStringLiteral("choicePanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* position = groupBox(QStringLiteral("位数选择"), QStringLiteral("positionBox"), this);
    addRadio(position, m_position, 1, QStringLiteral("个位"), QStringLiteral("positionUnits"));
    addRadio(position, m_position, 2, QStringLiteral("十位"), QStringLiteral("positionTens"));
    addRadio(position, m_position, 3, QStringLiteral("百位"), QStringLiteral("positionHundreds"));
    layout->addWidget(position);

    auto* play = groupBox(QStringLiteral("玩法选择"), QStringLiteral("playBox"), this);
    addRadio(play, m_play, kPlayOddEven, QStringLiteral("单双"), QStringLiteral("playOddEven"));
    addRadio(play, m_play, kPlayBigSmall, QStringLiteral("大小"), QStringLiteral("playBigSmall"));
    addRadio(play, m_play, kPlayGroup, QStringLiteral("通选"), QStringLiteral("playGroup"));
    addRadio(play, m_play, kPlaySingle, QStringLiteral("单选"), QStringLiteral("playSingle"));
    layout->addWidget(play);

    auto* senseAndMethod = new QHBoxLayout;
    auto* sense = groupBox(QStringLiteral("生杀"), QStringLiteral("senseBox"), this);
    addRadio(sense, m_sense, 0, QStringLiteral("杀"), QStringLiteral("senseKill"));
    addRadio(sense, m_sense, 1, QStringLiteral("生"), QStringLiteral("senseKeep"));
    senseAndMethod->addWidget(sense);
    auto* method = groupBox(QStringLiteral("计算方法"), QStringLiteral("methodBox"), this);
    addRadio(method, m_method, 0, QStringLiteral("最优公式法"), QStringLiteral("methodBest"));
    addRadio(method, m_method, 1, QStringLiteral("计算选中公式"), QStringLiteral("methodSelected"));
    senseAndMethod->addWidget(method, 1);
    layout->addLayout(senseAndMethod);

    auto* mode = new QGroupBox(QStringLiteral("计算/验算选择"), this);
    mode->setObjectName(QStringLiteral("modeBox"));
    auto* modeLayout = new QGridLayout(mode);
    auto* next = new QRadioButton(QStringLiteral("计算下期结果"), mode);
    next->setObjectName(QStringLiteral("modeNext"));
    m_mode->addButton(next, 0);
    modeLayout->addWidget(next, 0, 0);
    modeLayout->addWidget(new QLabel(QStringLiteral("现存历史号码的下一期"), mode), 0, 1, 1, 2);
    auto* verify = new QRadioButton(QStringLiteral("验证历史结果"), mode);
    verify->setObjectName(QStringLiteral("modeVerify"));
    m_mode->addButton(verify, 1);
    modeLayout->addWidget(verify, 1, 0);
    modeLayout->addWidget(new QLabel(QStringLiteral("验算指定期下期结果"), mode), 1, 1);
    m_verifyIssue->setObjectName(QStringLiteral("verifyIssueEdit"));
    m_verifyIssue->setFixedWidth(m_verifyIssue->fontMetrics().horizontalAdvance(QStringLiteral("20070010")) + 12);
    m_verifyIssue->installEventFilter(this);
    modeLayout->addWidget(m_verifyIssue, 1, 2);
    layout->addWidget(mode);

    connect(m_position, &QButtonGroup::idClicked, this, [this](int id) {
        m_host.setPosition(id);
        showChoices();
    });
    connect(m_play, &QButtonGroup::idClicked, this, [this](int id) {
        m_host.setPlayChoice(playOfId(id));
        showChoices();
    });
    connect(m_sense, &QButtonGroup::idClicked, this, [this](int id) {
        m_host.setKill(id == 0);
        showChoices();
    });
    connect(m_method, &QButtonGroup::idClicked, this, [this](int id) {
        m_host.setComputeSelected(id == 1);
        showChoices();
    });
    connect(m_mode, &QButtonGroup::idClicked, this, [this](int id) {
        m_host.setVerifyMode(id == 1);
        showChoices();
    });
    connect(m_verifyIssue, &QLineEdit::textEdited, this, [this](const QString& text) { m_host.setVerifyIssue(text); });

    connect(&m_host, &ChoiceHost::choicesChanged, this, &ChoicePanel::showChoices);
    showChoices();
}

QRadioButton* ChoicePanel::addRadio(QGroupBox* box, QButtonGroup* group, int id, const QString& caption,
                                    const QString& name)
{
    auto* radio = new QRadioButton(caption, box);
    radio->setObjectName(name);
    group->addButton(radio, id);
    box->layout()->addWidget(radio);
    return radio;
}

QRadioButton* ChoicePanel::positionButton(int position) const
{
    return qobject_cast<QRadioButton*>(m_position->button(position));
}

void ChoicePanel::showChoices()
{
    m_position->button(m_host.kind().position)->setChecked(true);
    m_play->button(kPlayGroup)->setEnabled(m_host.groupPlayAvailable());
    m_play->button(idOfPlay(m_host.playChoice()))->setChecked(true);
    m_sense->button(m_host.kill() ? 0 : 1)->setChecked(true);
    m_method->button(m_host.computeSelected() ? 1 : 0)->setChecked(true);
    m_mode->button(m_host.verifyMode() ? 1 : 0)->setChecked(true);
    if (m_verifyIssue->text() != m_host.verifyIssue()) {
        m_verifyIssue->setText(m_host.verifyIssue());
    }
}

bool ChoicePanel::eventFilter(QObject* watched, QEvent* event)
{
    // Typing an issue to verify means verifying: focus in the field selects "验证历史结果".
    if (watched == m_verifyIssue && event->type() == QEvent::FocusIn) {
        m_host.setVerifyMode(true);
        showChoices();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace korvel
