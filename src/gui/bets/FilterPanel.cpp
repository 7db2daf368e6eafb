#include "gui/bets/FilterPanel.h"

#include "bets/FilterSets.h"
#include "platform/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace korvel {

namespace {

QCheckBox* check(const QString& caption, const QString& name, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QLineEdit* edit(const QString& placeholder, const QString& name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setPlaceholderText(placeholder);
    return e;
}

template <std::size_t N> void setBits(std::bitset<N>& bits, const std::vector<int>& values)
{
    bits.reset();
    for (int v : values) {
        bits.set(static_cast<std::size_t>(v));
    }
}

} // namespace

FilterPanel::FilterPanel(SettingsStore& store, Dialogs& dialogs, QWidget* parent)
    : QGroupBox(QStringLiteral("缩水条件"), parent), m_store(store), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("filterPanel"));
    auto* grid = new QGridLayout(this);
    int row = 0;
    const auto addRow = [&](QCheckBox* box, QWidget* field) {
        grid->addWidget(box, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    };
    m_sumCheck = check(QStringLiteral("和值"), QStringLiteral("sumCheck"), this);
    m_sumEdit = edit(QStringLiteral("例如 10-12 或 8,10,15"), QStringLiteral("sumEdit"), this);
    addRow(m_sumCheck, m_sumEdit);
    m_spanCheck = check(QStringLiteral("跨度"), QStringLiteral("spanCheck"), this);
    m_spanEdit = edit(QStringLiteral("例如 3-5"), QStringLiteral("spanEdit"), this);
    addRow(m_spanCheck, m_spanEdit);

    m_formCheck = check(QStringLiteral("形态"), QStringLiteral("formCheck"), this);
    addRow(m_formCheck, buildFormRow());

    m_danCheck = check(QStringLiteral("胆码"), QStringLiteral("danCheck"), this);
    addRow(m_danCheck, buildDanRow());

    m_oddCheck = check(QStringLiteral("奇偶比"), QStringLiteral("oddEvenCheck"), this);
    m_oddEdit = edit(QStringLiteral("奇:偶，例如 2:1 或 2:1,1:2"), QStringLiteral("oddEvenEdit"), this);
    addRow(m_oddCheck, m_oddEdit);
    m_bigCheck = check(QStringLiteral("大小比"), QStringLiteral("bigSmallCheck"), this);
    m_bigEdit = edit(QStringLiteral("大(5-9):小，例如 2:1"), QStringLiteral("bigSmallEdit"), this);
    addRow(m_bigCheck, m_bigEdit);
    m_primeCheck = check(QStringLiteral("质合比"), QStringLiteral("primeCheck"), this);
    m_primeEdit = edit(QStringLiteral("质(1 2 3 5 7):合，例如 1:2"), QStringLiteral("primeEdit"), this);
    addRow(m_primeCheck, m_primeEdit);
    m_roadCheck = check(QStringLiteral("012路"), QStringLiteral("roadCheck"), this);
    m_roadEdit = edit(QStringLiteral("百十个，例如 012,120；* 为任意"), QStringLiteral("roadEdit"), this);
    addRow(m_roadCheck, m_roadEdit);

    m_recentCheck = check(QStringLiteral("排除最近"), QStringLiteral("recentCheck"), this);
    addRow(m_recentCheck, buildRecentRow());

    QWidget* sets = buildSetRow();
    grid->addWidget(new QLabel(QStringLiteral("缩水方案"), this), row, 0);
    grid->addWidget(sets, row, 1);
    grid->setColumnStretch(1, 1);
    connectSignals();
    refreshSets();
}

QWidget* FilterPanel::buildFormRow()
{
    auto* forms = new QWidget(this);
    auto* formRow = new QHBoxLayout(forms);
    formRow->setContentsMargins(0, 0, 0, 0);
    for (int f = 0; f < kGroupForms; ++f) {
        auto* box = check(groupFormName(static_cast<GroupForm>(f)), QStringLiteral("formBox%1").arg(f), forms);
        box->setChecked(f != 0); // 组三 and 组六 ticked: the usual cut is "no 豹子"
        formRow->addWidget(box);
        m_forms[static_cast<std::size_t>(f)] = box;
    }
    formRow->addStretch();
    return forms;
}

QWidget* FilterPanel::buildDanRow()
{
    auto* dan = new QWidget(this);
    auto* danRow = new QHBoxLayout(dan);
    danRow->setContentsMargins(0, 0, 0, 0);
    m_danEdit = edit(QStringLiteral("例如 1,2"), QStringLiteral("danEdit"), dan);
    m_danMode = new QComboBox(dan);
    m_danMode->setObjectName(QStringLiteral("danMode"));
    m_danMode->addItems({QStringLiteral("至少含一个"), QStringLiteral("全部包含")});
    danRow->addWidget(m_danEdit, 1);
    danRow->addWidget(m_danMode);
    return dan;
}

QWidget* FilterPanel::buildRecentRow()
{
    auto* recent = new QWidget(this);
    auto* recentRow = new QHBoxLayout(recent);
    recentRow->setContentsMargins(0, 0, 0, 0);
    m_recentSpin = new QSpinBox(recent);
    m_recentSpin->setObjectName(QStringLiteral("recentSpin"));
    m_recentSpin->setRange(1, 10000);
    m_recentSpin->setValue(10);
    recentRow->addWidget(m_recentSpin);
    recentRow->addWidget(new QLabel(QStringLiteral("期的开奖号码"), recent));
    recentRow->addStretch();
    return recent;
}

QWidget* FilterPanel::buildSetRow()
{
    auto* sets = new QWidget(this);
    auto* setRow = new QHBoxLayout(sets);
    setRow->setContentsMargins(0, 0, 0, 0);
    m_sets = new QComboBox(sets);
    m_sets->setObjectName(QStringLiteral("filterSetChoice"));
    m_sets->setMinimumContentsLength(8);
    m_saveSet = new QPushButton(QStringLiteral("保存方案"), sets);
    m_saveSet->setObjectName(QStringLiteral("saveFilterSetButton"));
    m_deleteSet = new QPushButton(QStringLiteral("删除方案"), sets);
    m_deleteSet->setObjectName(QStringLiteral("deleteFilterSetButton"));
    setRow->addWidget(m_sets, 1);
    setRow->addWidget(m_saveSet);
    setRow->addWidget(m_deleteSet);
    return sets;
}

void FilterPanel::connectSignals()
{
    const auto emitChanged = [this] {
        if (!m_loading) {
            emit changed();
        }
    };
    for (QCheckBox* box : findChildren<QCheckBox*>()) {
        connect(box, &QCheckBox::toggled, this, emitChanged);
    }
    for (QLineEdit* e : {m_sumEdit, m_spanEdit, m_danEdit, m_oddEdit, m_bigEdit, m_primeEdit, m_roadEdit}) {
        connect(e, &QLineEdit::textChanged, this, emitChanged);
    }
    connect(m_danMode, &QComboBox::currentIndexChanged, this, emitChanged);
    connect(m_recentSpin, &QSpinBox::valueChanged, this, emitChanged);
    connect(m_saveSet, &QPushButton::clicked, this, &FilterPanel::saveSet);
    connect(m_deleteSet, &QPushButton::clicked, this, &FilterPanel::deleteSet);
    connect(m_sets, &QComboBox::activated, this, [this](int index) {
        if (index > 0) {
            loadSet(m_sets->itemText(index));
        }
    });
}

BetFilters FilterPanel::filters(QString* error) const
{
    BetFilters f;
    QString first;
    const auto note = [&first](const QString& name, const QString& why) {
        if (first.isEmpty()) {
            first = name + QStringLiteral("：") + why;
        }
    };
    QString why;
    // Values are read even for a filter that is off, so that a saved set keeps them.
    const auto values = [&](auto& choice, QCheckBox* box, QLineEdit* e, int max) {
        choice.on = box->isChecked();
        if (e->text().trimmed().isEmpty()) {
            if (choice.on) {
                note(box->text(), QStringLiteral("没有填写数值"));
                choice.on = false;
            }
            return;
        }
        if (const auto v = parseValueList(e->text(), 0, max, &why)) {
            setBits(choice.values, *v);
        } else if (choice.on) {
            note(box->text(), why);
            choice.on = false;
        }
    };
    values(f.sum, m_sumCheck, m_sumEdit, 27);
    values(f.span, m_spanCheck, m_spanEdit, 9);
    f.form.on = m_formCheck->isChecked();
    for (int i = 0; i < kGroupForms; ++i) {
        f.form.values.set(static_cast<std::size_t>(i), m_forms[static_cast<std::size_t>(i)]->isChecked());
    }
    f.dan.on = m_danCheck->isChecked();
    f.dan.all = m_danMode->currentIndex() == 1;
    if (const auto d = parseDigitSet(m_danEdit->text(), &why)) {
        f.dan.digits = *d;
    } else if (f.dan.on) {
        note(m_danCheck->text(), why);
        f.dan.on = false;
    }
    const auto ratio = [&](BetFilters::Choice<4>& choice, QCheckBox* box, QLineEdit* e) {
        choice.on = box->isChecked();
        if (const auto r = parseRatioSet(e->text(), &why)) {
            choice.values = *r;
        } else if (choice.on) {
            note(box->text(), why);
            choice.on = false;
        }
    };
    ratio(f.oddCount, m_oddCheck, m_oddEdit);
    ratio(f.bigCount, m_bigCheck, m_bigEdit);
    ratio(f.primeCount, m_primeCheck, m_primeEdit);
    f.road.on = m_roadCheck->isChecked();
    if (const auto r = parseRoadPatterns(m_roadEdit->text(), &why)) {
        f.road.values = *r;
    } else if (f.road.on) {
        note(m_roadCheck->text(), why);
        f.road.on = false;
    }
    f.recent.on = m_recentCheck->isChecked();
    f.recent.draws = m_recentSpin->value();
    if (error) {
        *error = first;
    }
    return f;
}

void FilterPanel::setFilters(const BetFilters& f)
{
    m_loading = true;
    m_sumCheck->setChecked(f.sum.on);
    m_sumEdit->setText(valueListText(valuesOf(f.sum.values)));
    m_spanCheck->setChecked(f.span.on);
    m_spanEdit->setText(valueListText(valuesOf(f.span.values)));
    m_formCheck->setChecked(f.form.on);
    for (int i = 0; i < kGroupForms; ++i) {
        m_forms[static_cast<std::size_t>(i)]->setChecked(f.form.values.test(static_cast<std::size_t>(i)));
    }
    m_danCheck->setChecked(f.dan.on);
    m_danEdit->setText(digitSetText(f.dan.digits));
    m_danMode->setCurrentIndex(f.dan.all ? 1 : 0);
    m_oddCheck->setChecked(f.oddCount.on);
    m_oddEdit->setText(ratioSetText(f.oddCount.values));
    m_bigCheck->setChecked(f.bigCount.on);
    m_bigEdit->setText(ratioSetText(f.bigCount.values));
    m_primeCheck->setChecked(f.primeCount.on);
    m_primeEdit->setText(ratioSetText(f.primeCount.values));
    m_roadCheck->setChecked(f.road.on);
    m_roadEdit->setText(roadPatternsText(f.road.values));
    m_recentCheck->setChecked(f.recent.on);
    m_recentSpin->setValue(std::max(1, f.recent.draws));
    m_loading = false;
    emit changed();
}

void FilterPanel::refreshSets()
{
    const QString current = m_sets->currentText();
    m_sets->clear();
    m_sets->addItem(QStringLiteral("（选择已保存的方案）"));
    m_sets->addItems(FilterSets(m_store).names());
    const int index = m_sets->findText(current);
    m_sets->setCurrentIndex(index > 0 ? index : 0);
    m_deleteSet->setEnabled(m_sets->count() > 1);
}

void FilterPanel::saveSet()
{
    const QString title = QStringLiteral("保存缩水方案");
    const QString suggested = m_sets->currentIndex() > 0 ? m_sets->currentText() : QString();
    const std::optional<QString> name = m_dialogs.input(title, QStringLiteral("方案名称："), suggested);
    if (!name || name->trimmed().isEmpty()) {
        return;
    }
    QString error;
    if (!FilterSets(m_store).save(*name, filters(), &error)) {
        m_dialogs.message(title, error, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    refreshSets();
    m_sets->setCurrentIndex(m_sets->findText(name->trimmed()));
}

void FilterPanel::deleteSet()
{
    if (m_sets->currentIndex() <= 0) {
        return;
    }
    const QString name = m_sets->currentText();
    if (!m_dialogs.confirm(QStringLiteral("删除缩水方案"), QStringLiteral("确实要删除方案“%1”吗？").arg(name))) {
        return;
    }
    FilterSets(m_store).remove(name);
    m_sets->setCurrentIndex(0);
    refreshSets();
}

void FilterPanel::loadSet(const QString& name)
{
    const std::optional<BetFilters> set = FilterSets(m_store).load(name);
    if (!set) {
        m_dialogs.message(QStringLiteral("缩水方案"), QStringLiteral("方案“%1”无法读取。").arg(name),
                          Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        refreshSets();
        return;
    }
    setFilters(*set);
    m_sets->setCurrentIndex(m_sets->findText(name));
}

} // namespace korvel
