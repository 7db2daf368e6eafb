#pragma once

#include "formula/FormulaKind.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace korvel {

class Database;
class Dialogs;
class FormulaStore;
class Launcher;
class SettingsStore;
class WebFetch;
struct FetchResult;

// Formula text files ("读取公式文本(N)") and the downloaded formula list ("公式在线更新（&W)"): one formula
// per line in the equation or the bracket form, optionally followed by a record part from "连准" on.

// What became of one line.
struct FormulaTextLine {
    enum class Outcome {
        Blank,        // empty after the cut and trim
        Skipped,      // too short to take apart, or its expression translates to nothing
        Unrecognised, // a character outside the formula alphabet, the kind 个位通选 that has no table, or a line
                      // longer (kMaxFormulaLineLength) or an expression larger than the engine takes
                      // (Expression::kMaxLength, kMaxDepth)
        Recognised,   // goes to its table
        TableFull,    // names a table the import has already filled: not translated, not stored
    };
    int number = 0; // 1-based line number in the file
    Outcome outcome = Outcome::Blank;
    QString expressionText;
    QString displayText;
    bool kill = true;
    FormulaKind kind;
    // The line of `无法识别公式.txt`: the translated expression (words no row matched still in it), for
    // a kind without a table the whole formula text, and for a line or expression too large its start and
    // end with the reason ("L1A+…+L2A（公式太长（…））").
    QString reportText;
};

// True when every character of a translated expression is an ASCII letter (and "[", "`", "{"), a digit,
// one of "(", ")", "*", "+", "-", "/", or a blank.
bool isRecognisedExpression(const QString& expressionText);

// Reads one line: cuts it before "连准", trims, parses and translates it with the current kind and sense,
// and checks it. Like the main window, the current sense follows an equation-form line and the current
// kind follows a line that names one, so later lines of the same file read in that context.
// `tableFull`, when given, says of a line's kind that its table takes nothing more: such a line (with an
// expression) is TableFull without being translated or checked, so that the lines past a full table cost
// little beside the stored ones.
FormulaTextLine readFormulaLine(const QString& line, FormulaKind& currentKind, bool& currentKill,
                                const std::function<bool(const FormulaKind&)>& tableFull = {});

// Splits a decoded text into lines (CR LF, LF or CR).
QStringList formulaTextLines(const QString& text);

struct FormulaImportResult {
    enum class Status {
        Imported,       // the lines were applied (possibly none stored)
        NotChosen,      // no file chosen, or not a ".txt" file
        UnreadableFile, // cannot be read, or neither GBK nor UTF-8 text (binary, truncated)
        StoreFailed,    // the database refused; nothing was imported
        DownloadFailed, // online update: no list arrived
        ListTooShort,   // online update: under 1025 bytes
        NoFormulas,     // online update: the list holds no formula
        Declined,       // the user cancelled the confirmation or the server question
    };
    Status status = Status::Imported;
    QString error;
    int stored = 0;
    // Lines for a table that was full (FormulaStore::kMaxFormulas): once the import has filled a table its
    // further lines count here unread, so one that could not have been recognised counts too.
    int notStored = 0;
    int skipped = 0;
    int blank = 0;
    std::vector<FormulaTextLine> unrecognised;
    std::array<int, 5> storedPerKind{}; // in the order of kAllKinds
    bool finalKill = true;              // the sense the file's equation lines left the main window on
    QString filePath;                   // the file read (or the list saved)
    QString reportPath;                 // `无法识别公式.txt`, when written

    bool changedFormulas() const { return status == Status::Imported && stored > 0; }
};

enum class FormulaImportMode {
    // A file: a recognised line whose table differs from the listed one rebuilds that table (duplicates
    // removed, numbered 1..n) before it is appended; at the end the last table used is renumbered.
    File,
    // The downloaded list: all five tables are emptied first, then every recognised line is appended.
    Replace,
};

// Applies the lines to the formula tables in one transaction: all of it, or (on any database failure)
// nothing, with status StoreFailed. `listedKind` and `kill` are the main window's kind and sense.
FormulaImportResult importFormulaLines(Database& db, FormulaStore& store, const QStringList& lines,
                                       const FormulaKind& listedKind, bool kill, FormulaImportMode mode);

// The decoded text of a formula file: GBK, or UTF-8 when the bytes are valid UTF-8 (with or without BOM).
// nullopt for bytes that are neither (binary data, a file cut off inside a character).
std::optional<QString> decodeFormulaFile(const QByteArray& bytes);

// The folder the file dialog opens on: `公式文本` in the data folder (created when missing).
QString formulaTextFolder(const QString& dataFolder);
QString unrecognisedReportFileName(); // "无法识别公式.txt"

// `ImportFormulaFile`, the command "读取公式文本(N)": the file dialog on `公式文本` ("Text(*.txt)"), the
// import, `无法识别公式.txt` (GBK, CR LF, rewritten every time), `refresh` (the caller returns the main
// window to listedKind with finalKill, rebuilds and re-evaluates its list), then the question
// "是否查看这些公式？" and the editor when a line was unrecognised. A file that cannot be read, or a
// failed store, is told to the user and changes nothing.
FormulaImportResult ImportFormulaFile(Database& db, FormulaStore& store, Dialogs& dialogs, Launcher& launcher,
                                      const QString& dataFolder, const FormulaKind& listedKind, bool kill,
                                      const std::function<void(const FormulaImportResult&)>& refresh);

// The online formula update's settings, section "IniSetting": the download server ("FormulaServer",
// e.g. "http://www.example.com"; no default) and the product folder ("FormulaFolder", default "3VER").
// The list is server + "/SOFT/" + folder + "/3VER.txt".
namespace formulaupdate {
QString confirmTitle(); // "公式在线更新：替换全部公式"
QString confirmText();
QString server(const SettingsStore& settings);
QString folder(const SettingsStore& settings);
void setServer(SettingsStore& settings, const QString& server);
void setFolder(SettingsStore& settings, const QString& folder);
QUrl listUrl(const QString& server, const QString& folder);
// Asks for the server (and keeps the folder) until it is an http(s) address; empty when cancelled.
QString askServer(Dialogs& dialogs, SettingsStore& settings);
// The command's questions: the confirmation, then the server when none is set. The list's address, or an
// empty QUrl when the user declined.
QUrl confirmAndAddress(Dialogs& dialogs, SettingsStore& settings);
constexpr qsizetype kMinimumListBytes = 1025;
QString listFileName(); // "3VER.txt"
} // namespace formulaupdate

// `UpdateFormulasOnline`, "公式在线更新（&W)", after its confirmation: downloads the list first and keeps
// every formula as it is unless a list of at least 1025 bytes arrived, was saved as `3VER.txt` (replacing
// the old copy only then), decoded, and holds at least one formula. Only then the five tables are
// replaced, in one transaction. Unrecognised lines are skipped. finished() comes once, from the event
// loop; cancel() stops the download. The database and store must outlive the object. GUI thread.
class OnlineFormulaUpdate : public QObject {
    Q_OBJECT
public:
    OnlineFormulaUpdate(Database& db, FormulaStore& store, QUrl url, QString dataFolder, FormulaKind listedKind,
                        bool kill, QObject* parent = nullptr);
    ~OnlineFormulaUpdate() override;

    void setTimeouts(std::chrono::milliseconds stall, std::chrono::milliseconds total);
    void start();
    void cancel();
    bool running() const { return m_running; }
    const FormulaImportResult& result() const { return m_result; }
    // For the command line: start() and wait in a local event loop.
    FormulaImportResult run();

    // The closing message of the command.
    static QString resultText(const FormulaImportResult& result);

signals:
    void progress(qint64 received, qint64 total);
    void finished(const korvel::FormulaImportResult& result);

private:
    void onFetched(const FetchResult& fetched);
    void finish();

    Database& m_db;
    FormulaStore& m_store;
    QUrl m_url;
    QString m_dataFolder;
    FormulaKind m_listedKind;
    bool m_kill;
    WebFetch* m_fetch; // child
    bool m_running = false;
    FormulaImportResult m_result;
};

} // namespace korvel

Q_DECLARE_METATYPE(korvel::FormulaImportResult)
