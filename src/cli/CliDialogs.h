#pragma once

#include "platform/Dialogs.h"

#include <QString>
#include <QTextStream>

#include <deque>
#include <optional>

namespace korvel::cli {

// The dialogs of the command line, which never waits for a person. A message is printed as one line
// "title: text" on stderr. A question (OK/Cancel, Yes/No) is answered yes when the user gave --yes (and
// printed with its answer); without --yes it is answered no silently and kept, so that a command for which
// the answer matters can name the question in its one error line. Input boxes and file choices take the
// answers a command scripted beforehand from its arguments (setNextInput, setNextFile); one asked without
// a scripted answer is cancelled.
class CliDialogs : public Dialogs {
public:
    CliDialogs(QTextStream& err, bool yes) : m_err(err), m_yes(yes) {}

    Answer message(const QString& title, const QString& text, Buttons buttons, Icon icon) override;
    std::optional<QString> input(const QString& title, const QString& prompt, const QString& defaultText) override;
    QString openFile(const QString& title, const QString& folder, const QString& filter) override;
    QString saveFile(const QString& title, const QString& suggestedPath, const QString& filter) override;

    void setNextInput(const QString& answer) { m_inputs.push_back(answer); }
    void setNextFile(const QString& path) { m_files.push_back(path); }
    // A command whose own option answers the question (tune --kind all --save) answers yes.
    void setAnswerYes(bool yes) { m_yes = m_yes || yes; }

    // What was told so far: the number of plain messages, the icon of the last one, the questions refused.
    int messageCount() const { return m_messages; }
    Icon lastIcon() const { return m_lastIcon; }
    int refusedCount() const { return m_refused; }
    // The last question answered no, as one line.
    const QString& lastRefused() const { return m_lastRefused; }

    // The one line a message is printed as (line breaks of the text become blanks).
    static QString line(const QString& title, const QString& text);

private:
    QTextStream& m_err;
    bool m_yes;
    std::deque<QString> m_inputs;
    std::deque<QString> m_files;
    int m_messages = 0;
    int m_refused = 0;
    QString m_lastRefused;
    Icon m_lastIcon = Icon::None;
};

} // namespace korvel::cli
