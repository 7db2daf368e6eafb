#pragma once

#include <QObject>
#include <QString>

#include <array>

namespace korvel {

class Dialogs;
class SettingsStore;

// The user options of section `IniSetting`, held in memory for the run. load() reads every key once, in
// the start-up order GsZl, IniSerchDay, JSFF, LsXs, SyBq, ZqlJq, JSQS (a missing key gives its default,
// a value that does not convert gives 0 / false) and writes GsZl back. Every setter stores its key at
// once through the SettingsStore and emits changed(); nothing is saved at exit. The store must outlive
// the Options. GUI thread only.
class Options : public QObject {
    Q_OBJECT
public:
    static constexpr int kGameFc3d = 53; // "福彩3D"
    static constexpr int kGamePl3 = 3;   // "体彩排列3"
    static constexpr int kWindowCount = 10;
    static constexpr int kDefaultWindowIndex = 3;
    static constexpr int kDefaultSearchYears = 3;

    static const QString& section(); // "IniSetting"

    explicit Options(SettingsStore& store, QObject* parent = nullptr);

    void load();

    // `GsZl`: 53 or 3 (another stored number is kept as read; it checks neither game item).
    int game() const { return m_game; }
    bool isPl3() const { return m_game == kGamePl3; }
    void setGame(int game);

    // `IniSerchDay`: years of history the online update covers.
    int searchYears() const { return m_searchYears; }
    void setSearchYears(int years);

    // `JSFF`: true = "计算选中公式", false = "最优公式法".
    bool computeSelected() const { return m_computeSelected; }
    void setComputeSelected(bool selected);
    // The same for this session only, written nowhere (a command line's option for one run).
    void setComputeSelectedForRun(bool selected);

    // `LsXs`: false = results shown at the next issue (column `PreCanshu`), true = at the current issue
    // (column `canshu`).
    bool resultsAtCurrentIssue() const { return m_resultsAtCurrent; }
    void setResultsAtCurrentIssue(bool current);
    QString resultColumn() const;

    // `SyBq`: "检索期数前溯不含当前期".
    bool excludeCurrent() const { return m_excludeCurrent; }
    void setExcludeCurrent(bool exclude);
    void toggleExcludeCurrent() { setExcludeCurrent(!m_excludeCurrent); }

    // `ZqlJq`: "正确率使用期数加权算法(&A)".
    bool weightedRate() const { return m_weightedRate; }
    void setWeightedRate(bool weighted);
    void toggleWeightedRate() { setWeightedRate(!m_weightedRate); }

    // `JSQS`: index 0..9 of the evaluation window; windowSize() is its number of newest issues, 0 = all.
    // A stored index outside 0..9 is read as the default 3.
    int windowIndex() const { return m_windowIndex; }
    int windowSize() const { return windowSizeOfIndex(m_windowIndex); }
    void setWindowIndex(int index);

    static int windowSizeOfIndex(int index); // 0, 100, 200, 300, 500, 600, 800, 1000, 1500, 3000
    static QString windowCaption(int index); // "前所有期", "前100期", ...
    static QString gameCaption(int game);    // "福彩3D" / "体彩排列3" / empty

    // "恢复默认设置(&R)": LsXs, SyBq, ZqlJq, IniSerchDay and JSQS back to their defaults and stored;
    // GsZl and JSFF stay as they are.
    void restoreDefaults();

    // "历史号码更新检索年数设置(&D)": asks until the answer is a whole number 2..10 (stored) or the box is
    // left empty or cancelled (nothing changes). Returns true when a new value was stored.
    bool askSearchYears(Dialogs& dialogs);

signals:
    void changed();

private:
    SettingsStore& m_store;
    int m_game = kGameFc3d;
    int m_searchYears = kDefaultSearchYears;
    bool m_computeSelected = false;
    bool m_resultsAtCurrent = false;
    bool m_excludeCurrent = true;
    bool m_weightedRate = true;
    int m_windowIndex = kDefaultWindowIndex;
};

} // namespace korvel
