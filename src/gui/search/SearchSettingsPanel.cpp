#include "gui/search/SearchSettingsPanel.h"

#include "search/CandidateSpace.h"
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
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace korvel {

namespace {
const std::array<const char*, 5> kRowLabels = {"正确率", "最大连错", "最大连对", "最后连错", "最后连对"};

// Rewrites a field only when the session holds another text: a field being typed into already holds it.
void setFieldText(QLineEdit* field, const QString& text)
{
    if (field->text() != text) {
        field->setText(text);
    }
}

QLineEdit* readOnlyField(const QString& name, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    return field;
}

QRadioButton* addRadio(QGroupBox* box, QButtonGroup* group, int id, const QString& caption, const QString& name)
{
    auto* button = new QRadioButton(caption, box);
    button->setObjectName(name);
    group->addButton(button, id);
    box->layout()->addWidget(button);
    return button;
}

QGroupBox* rowBox(const QString& caption, const QString& name, QWidget* parent)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    new QHBoxLayout(box);
    return box;
}
} // namespace

SearchSettingsPanel::SearchSettingsPanel(SearchSession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_position(new QButtonGroup(this)), m_play(new QButtonGroup(this)),
      m_sense(new QButtonGroup(this)), m_constantMode(new QButtonGroup(this)), m_form(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("searchSettingsPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    addKindChoices(layout);
    addThresholds(layout);
    addCandidateSettings(layout);
    addSpaceSettings(layout);
    addStopRow(layout);
    layout->addStretch(1);
    connectChoices();
    connectCandidateSettings();
}

void SearchSettingsPanel::addKindChoices(QVBoxLayout* layout)
{
    auto* choices = new QHBoxLayout;
    m_positionBox = rowBox(QStringLiteral("位数选择"), QStringLiteral("searchPositionBox"), this);
    // In the main window's order.
    addRadio(m_positionBox, m_position, 1, QStringLiteral("个位"), QStringLiteral("searchPosition1"));
    addRadio(m_positionBox, m_position, 2, QStringLiteral("十位"), QStringLiteral("searchPosition2"));
    addRadio(m_positionBox, m_position, 3, QStringLiteral("百位"), QStringLiteral("searchPosition3"));
    choices->addWidget(m_positionBox);
    m_playBox = rowBox(QStringLiteral("玩法选择"), QStringLiteral("searchPlayBox"), this);
    m_single = addRadio(m_playBox, m_play, 0, QStringLiteral("单选"), QStringLiteral("searchPlaySingle"));
    m_group = addRadio(m_playBox, m_play, 1, QStringLiteral("通选"), QStringLiteral("searchPlayGroup"));
    choices->addWidget(m_playBox);
    m_senseBox = rowBox(QStringLiteral("生杀"), QStringLiteral("searchSenseBox"), this);
    m_killButton = addRadio(m_senseBox, m_sense, 1, QStringLiteral("杀"), QStringLiteral("searchKill"));
    m_keepButton = addRadio(m_senseBox, m_sense, 0, QStringLiteral("生"), QStringLiteral("searchKeep"));
    choices->addWidget(m_senseBox);
    layout->addLayout(choices);
}

void SearchSettingsPanel::addThresholds(QVBoxLayout* layout)
{
    auto* thresholds = new QGroupBox(QStringLiteral("当前公式参数值"), this);
    thresholds->setObjectName(QStringLiteral("thresholdBox"));
    auto* grid = new QGridLayout(thresholds);
    for (int row = 0; row < 5; ++row) {
        grid->addWidget(new QLabel(QString::fromUtf8(kRowLabels[static_cast<std::size_t>(row)]), thresholds), row, 0);
        for (int side = 0; side < 2; ++side) {
            const int slot = 2 * row + side;
            auto* field = new QLineEdit(thresholds);
            field->setObjectName(QStringLiteral("threshold%1").arg(slot));
            m_thresholds[static_cast<std::size_t>(slot)] = field;
            grid->addWidget(field, row, side == 0 ? 1 : 3);
            connect(field, &QLineEdit::textEdited, this,
                    [this, slot](const QString& text) { m_session.setThresholdField(slot, text); });
        }
        grid->addWidget(new QLabel(QStringLiteral("到"), thresholds), row, 2);
        QLineEdit* stat = readOnlyField(QStringLiteral("stat%1").arg(row), thresholds);
        m_stats[static_cast<std::size_t>(row)] = stat;
        grid->addWidget(stat, row, 4);
    }
    auto* saveKind = new QPushButton(QStringLiteral("保存当前种类参数设置"), thresholds);
    saveKind->setObjectName(QStringLiteral("saveKindSettingsButton"));
    grid->addWidget(saveKind, 5, 0, 1, 5);
    layout->addWidget(thresholds);
    connect(saveKind, &QPushButton::clicked, this, [this] { m_session.saveKindSettings(); });
}

void SearchSettingsPanel::addCandidateSettings(QVBoxLayout* layout)
{
    auto* operands = new QGroupBox(QStringLiteral("公式元数"), this);
    operands->setObjectName(QStringLiteral("operandBox"));
    auto* operandRow = new QHBoxLayout(operands);
    operandRow->addWidget(new QLabel(QStringLiteral("公式运算元数"), operands));
    m_operands = new QSlider(Qt::Horizontal, operands);
    m_operands->setObjectName(QStringLiteral("operandSlider"));
    m_operands->setRange(kMinOperands, kMaxOperands);
    m_operands->setPageStep(2);
    operandRow->addWidget(m_operands, 1);
    m_operandField = readOnlyField(QStringLiteral("operandCountField"), operands);
    m_operandField->setMaximumWidth(48);
    operandRow->addWidget(m_operandField);
    layout->addWidget(operands);

    auto* constant = rowBox(QStringLiteral("公式末尾偏移常数"), QStringLiteral("constantBox"), this);
    addRadio(constant, m_constantMode, static_cast<int>(ConstantMode::Specified), QStringLiteral("指定"),
             QStringLiteral("constantSpecified"));
    addRadio(constant, m_constantMode, static_cast<int>(ConstantMode::Random), QStringLiteral("随机"),
             QStringLiteral("constantRandom"));
    m_constantField = new QLineEdit(constant);
    m_constantField->setObjectName(QStringLiteral("constantField"));
    constant->layout()->addWidget(m_constantField);
    layout->addWidget(constant);

    auto* form = rowBox(QStringLiteral("公式形式"), QStringLiteral("formBox"), this);
    addRadio(form, m_form, static_cast<int>(DisplayForm::Bracket), QStringLiteral("[Xxx类]A+B"),
             QStringLiteral("formBracket"));
    addRadio(form, m_form, static_cast<int>(DisplayForm::Equation), QStringLiteral("A+B=下期杀xx"),
             QStringLiteral("formEquation"));
    layout->addWidget(form);
}

void SearchSettingsPanel::addSpaceSettings(QVBoxLayout* layout)
{
    auto* space = new QGroupBox(QStringLiteral("候选公式"), this);
    space->setObjectName(QStringLiteral("spaceBox"));
    auto* grid = new QGridLayout(space);
    m_earlierDraws = new QCheckBox(QStringLiteral("允许引用前N期"), space);
    m_earlierDraws->setObjectName(QStringLiteral("earlierDrawsCheck"));
    m_earlierDraws->setToolTip(QStringLiteral("运算元也可以是上期、上上期……前N期的参数（上期百位码、前3期和数）"));
    grid->addWidget(m_earlierDraws, 0, 0);
    m_lagSpin = new QSpinBox(space);
    m_lagSpin->setObjectName(QStringLiteral("earlierDrawsSpin"));
    m_lagSpin->setRange(1, kMaxLag);
    m_lagSpin->setValue(2);
    m_lagSpin->setSuffix(QStringLiteral(" 期"));
    grid->addWidget(m_lagSpin, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("穷举上限"), space), 0, 2);
    m_limitField = new QLineEdit(space);
    m_limitField->setObjectName(QStringLiteral("exhaustiveLimitField"));
    m_limitField->setToolTip(QStringLiteral("候选公式总数不超过此数时逐一检索全部候选公式，否则随机抽样且不重复"));
    grid->addWidget(m_limitField, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("候选公式总数"), space), 1, 0);
    m_spaceField = readOnlyField(QStringLiteral("spaceSizeField"), space);
    grid->addWidget(m_spaceField, 1, 1);
    m_coverageField = readOnlyField(QStringLiteral("spaceProgressField"), space);
    grid->addWidget(m_coverageField, 2, 0, 1, 4); // a whole row: "已抽样 0.00041% (178449 / 43595145594)"
    layout->addWidget(space);
}

void SearchSettingsPanel::addStopRow(QVBoxLayout* layout)
{
    auto* stopRow = new QHBoxLayout;
    m_autoStop = new QCheckBox(QStringLiteral("自动中止"), this);
    m_autoStop->setObjectName(QStringLiteral("autoStopCheck"));
    stopRow->addWidget(m_autoStop);
    m_autoStopField = new QLineEdit(this);
    m_autoStopField->setObjectName(QStringLiteral("autoStopField"));
    m_autoStopField->setMaximumWidth(80);
    stopRow->addWidget(m_autoStopField);
    stopRow->addSpacing(12);
    // A seed typed here reproduces a search; otherwise each opening of the window draws one from the clock.
    stopRow->addWidget(new QLabel(QStringLiteral("随机种子"), this));
    m_seedField = new QLineEdit(this);
    m_seedField->setObjectName(QStringLiteral("seedField"));
    m_seedField->setToolTip(QStringLiteral("输入种子后按回车，以后的搜索按该种子重现"));
    stopRow->addWidget(m_seedField, 1);
    layout->addLayout(stopRow);
}

void SearchSettingsPanel::connectChoices()
{
    connect(m_position, &QButtonGroup::idClicked, this, [this](int id) {
        m_session.setPosition(id);
        showSession();
    });
    connect(m_play, &QButtonGroup::idClicked, this, [this](int id) {
        m_session.setPlay(id == 1 ? Play::Group : Play::Single);
        showSession();
    });
    connect(m_sense, &QButtonGroup::idClicked, this, [this](int id) {
        m_session.setKill(id == 1);
        showSession();
    });
}

void SearchSettingsPanel::connectCandidateSettings()
{
    connect(m_operands, &QSlider::valueChanged, this, [this](int count) {
        m_session.setOperandCount(count);
        m_operandField->setText(QString::number(m_session.operandCount()));
        showSpaceSize();
    });
    connect(m_constantMode, &QButtonGroup::idClicked, this, [this](int id) {
        m_session.setConstantMode(static_cast<ConstantMode>(id));
        showSpaceSize();
    });
    connect(m_constantField, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_session.setConstantText(text);
        showSpaceSize();
    });
    connect(m_form, &QButtonGroup::idClicked, this,
            [this](int id) { m_session.setDisplayForm(static_cast<DisplayForm>(id)); });
    connect(m_earlierDraws, &QCheckBox::toggled, this, [this](bool on) {
        m_session.setMaxLag(on ? m_lagSpin->value() : 0);
        showSpaceSize();
    });
    connect(m_lagSpin, &QSpinBox::valueChanged, this, [this](int draws) {
        if (m_earlierDraws->isChecked()) {
            m_session.setMaxLag(draws);
            showSpaceSize();
        }
    });
    connect(m_limitField, &QLineEdit::editingFinished, this, [this] {
        bool ok = false;
        const qulonglong limit = m_limitField->text().trimmed().toULongLong(&ok);
        if (ok) {
            m_session.setExhaustiveLimit(limit);
        }
        setFieldText(m_limitField, QString::number(m_session.exhaustiveLimit()));
    });
    connect(m_autoStop, &QCheckBox::toggled, this, [this](bool on) { m_session.setAutoStop(on); });
    connect(m_autoStopField, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_session.setAutoStopText(text); });
    connect(m_seedField, &QLineEdit::returnPressed, this, &SearchSettingsPanel::chooseSeed);
}

void SearchSettingsPanel::showSpaceSize()
{
    setFieldText(m_spaceField, spaceSizeText(m_session.candidateSpace()));
}

QRadioButton* SearchSettingsPanel::positionButton(int position) const
{
    return qobject_cast<QRadioButton*>(m_position->button(position));
}

void SearchSettingsPanel::showSession()
{
    const QSignalBlocker blockSlider(m_operands);
    m_position->button(m_session.position())->setChecked(true);
    (m_session.play() == Play::Group ? m_group : m_single)->setChecked(true);
    m_group->setEnabled(m_session.groupPlayAvailable());
    (m_session.kill() ? m_killButton : m_keepButton)->setChecked(true);
    for (int slot = 0; slot < kThresholdSlots; ++slot) {
        setFieldText(thresholdField(slot), m_session.thresholdFields()[static_cast<std::size_t>(slot)]);
    }
    m_operands->setValue(m_session.operandCount());
    setFieldText(m_operandField, QString::number(m_session.operandCount()));
    m_constantMode->button(static_cast<int>(m_session.constantMode()))->setChecked(true);
    setFieldText(m_constantField, m_session.constantText());
    m_form->button(static_cast<int>(m_session.displayForm()))->setChecked(true);
    {
        const QSignalBlocker blockCheck(m_autoStop);
        m_autoStop->setChecked(m_session.autoStop());
    }
    setFieldText(m_autoStopField, m_session.autoStopText());
    {
        const QSignalBlocker blockCheck(m_earlierDraws);
        const QSignalBlocker blockSpin(m_lagSpin);
        m_earlierDraws->setChecked(m_session.maxLag() > 0);
        if (m_session.maxLag() > 0) {
            m_lagSpin->setValue(m_session.maxLag());
        }
    }
    if (!m_limitField->hasFocus()) {
        setFieldText(m_limitField, QString::number(m_session.exhaustiveLimit()));
    }
    showSpaceSize();
    if (!m_seedField->hasFocus()) {
        setFieldText(m_seedField, QString::number(m_session.seed()));
    }
}

void SearchSettingsPanel::showProgress(const SearchProgress& p)
{
    for (std::size_t row = 0; row < m_stats.size(); ++row) {
        setFieldText(m_stats[row], p.hasCandidate ? p.statTexts[row] : QString());
    }
    setFieldText(m_coverageField, p.hasSpace ? p.spaceText : QString());
    m_coverageField->setToolTip(p.exhaustedText);
}

void SearchSettingsPanel::setKindChoiceEnabled(bool enabled)
{
    m_positionBox->setEnabled(enabled);
    m_playBox->setEnabled(enabled);
    m_senseBox->setEnabled(enabled);
}

void SearchSettingsPanel::chooseSeed()
{
    bool ok = false;
    const qulonglong seed = m_seedField->text().trimmed().toULongLong(&ok);
    if (ok && !m_session.running()) {
        m_session.setSeed(seed);
    }
    m_seedField->setText(QString::number(m_session.seed()));
}

} // namespace korvel
