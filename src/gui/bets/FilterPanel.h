#pragma once

#include "bets/BetFilters.h"

#include <QGroupBox>

#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace korvel {

class Dialogs;
class SettingsStore;

// "缩水条件": one row a filter, each with its own check box (on/off) and its values, and the saved filter
// sets ("缩水方案": choose, "保存方案", "删除方案"). changed() follows every edit; filters() reads the rows,
// naming the first field that does not read in *error (that filter then counts as off). The store and the
// dialogs must outlive the panel.
class FilterPanel : public QGroupBox {
    Q_OBJECT
public:
    FilterPanel(SettingsStore& store, Dialogs& dialogs, QWidget* parent = nullptr);

    BetFilters filters(QString* error = nullptr) const;
    void setFilters(const BetFilters& filters);

    QCheckBox* sumCheck() const { return m_sumCheck; }
    QLineEdit* sumEdit() const { return m_sumEdit; }
    QCheckBox* spanCheck() const { return m_spanCheck; }
    QLineEdit* spanEdit() const { return m_spanEdit; }
    QCheckBox* formCheck() const { return m_formCheck; }
    QCheckBox* formBox(int form) const { return m_forms[static_cast<std::size_t>(form)]; }
    QCheckBox* danCheck() const { return m_danCheck; }
    QLineEdit* danEdit() const { return m_danEdit; }
    QComboBox* danMode() const { return m_danMode; }
    QCheckBox* oddEvenCheck() const { return m_oddCheck; }
    QLineEdit* oddEvenEdit() const { return m_oddEdit; }
    QCheckBox* bigSmallCheck() const { return m_bigCheck; }
    QLineEdit* bigSmallEdit() const { return m_bigEdit; }
    QCheckBox* primeCheck() const { return m_primeCheck; }
    QLineEdit* primeEdit() const { return m_primeEdit; }
    QCheckBox* roadCheck() const { return m_roadCheck; }
    QLineEdit* roadEdit() const { return m_roadEdit; }
    QCheckBox* recentCheck() const { return m_recentCheck; }
    QSpinBox* recentSpin() const { return m_recentSpin; }
    QComboBox* setChoice() const { return m_sets; }
    QPushButton* saveSetButton() const { return m_saveSet; }
    QPushButton* deleteSetButton() const { return m_deleteSet; }

    // "保存方案": asks for a name (through the dialogs) and stores the filters under it.
    void saveSet();
    void deleteSet();
    void loadSet(const QString& name);

signals:
    void changed();

private:
    QWidget* buildFormRow();
    QWidget* buildDanRow();
    QWidget* buildRecentRow();
    QWidget* buildSetRow();
    void connectSignals();
    void refreshSets();

    SettingsStore& m_store;
    Dialogs& m_dialogs;
    bool m_loading = false;
    QCheckBox* m_sumCheck;
    QLineEdit* m_sumEdit;
    QCheckBox* m_spanCheck;
    QLineEdit* m_spanEdit;
    QCheckBox* m_formCheck;
    std::array<QCheckBox*, kGroupForms> m_forms{};
    QCheckBox* m_danCheck;
    QLineEdit* m_danEdit;
    QComboBox* m_danMode;
    QCheckBox* m_oddCheck;
    QLineEdit* m_oddEdit;
    QCheckBox* m_bigCheck;
    QLineEdit* m_bigEdit;
    QCheckBox* m_primeCheck;
    QLineEdit* m_primeEdit;
    QCheckBox* m_roadCheck;
    QLineEdit* m_roadEdit;
    QCheckBox* m_recentCheck;
    QSpinBox* m_recentSpin;
    QComboBox* m_sets;
    QPushButton* m_saveSet;
    QPushButton* m_deleteSet;
};

} // namespace korvel
