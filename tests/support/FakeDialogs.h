#pragma once

#include "platform/Dialogs.h"

#include <gtest/gtest.h>

#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace korvel::test {

// Scripted Dialogs for tests. Answers are queued in the order the code will ask; every call is recorded
// with its title, text, buttons, icon and default. A question (an input box, a file choice, a message with
// more than an OK button) that finds no scripted answer, or an answer of the wrong sort, fails the test
// and is answered as cancelled. A plain OK message needs no answer unless setStrict(true): it takes a queued
// message answer when one is next, and is acknowledged otherwise.
class FakeDialogs : public Dialogs {
public:
    enum class Kind { Message, Input, OpenFile, SaveFile };

    struct Call {
        Kind kind = Kind::Message;
        QString title;
        QString text;        // message text, input prompt, or file dialog folder / suggested path
        QString defaultText; // input default, or file filter
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
    };

    // Answer to the next message box.
    void answerMessage(Answer a) { m_answers.emplace_back(a); }
    // Answer to the next input box: the typed text, or cancel.
    void answerInput(const QString& text) { m_answers.emplace_back(InputAnswer{text}); }
    void cancelInput() { m_answers.emplace_back(InputAnswer{std::nullopt}); }
    // Answer to the next file dialog (empty = cancelled).
    void answerFile(const QString& path) { m_answers.emplace_back(FileAnswer{path}); }
    void setStrict(bool strict) { m_strict = strict; }
    // Runs as each message box is shown, before it is answered: what the user sees behind the box.
    void onMessage(std::function<void(const Call&)> look) { m_onMessage = std::move(look); }

    const std::vector<Call>& calls() const { return m_calls; }
    std::vector<Call> messages() const { return ofKind(Kind::Message); }
    std::vector<Call> inputs() const { return ofKind(Kind::Input); }
    bool allAnswered() const { return m_answers.empty(); }
    int pending() const { return static_cast<int>(m_answers.size()); }
    void clear()
    {
        m_calls.clear();
        m_answers.clear();
    }

    Answer message(const QString& title, const QString& text, Buttons buttons, Icon icon) override
    {
        m_calls.push_back({Kind::Message, title, text, {}, buttons, icon});
        if (m_onMessage) {
            m_onMessage(m_calls.back());
        }
        const bool answerQueued = !m_answers.empty() && std::holds_alternative<Answer>(m_answers.front());
        if (buttons == Buttons::Ok && !m_strict && !answerQueued) {
            return Answer::Ok;
        }
        if (auto* a = next<Answer>(title, text)) {
            return *a;
        }
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::No : Answer::Cancel;
    }

    std::optional<QString> input(const QString& title, const QString& prompt, const QString& defaultText) override
    {
        m_calls.push_back({Kind::Input, title, prompt, defaultText, Buttons::OkCancel, Icon::None});
        if (auto* a = next<InputAnswer>(title, prompt)) {
            return a->text;
        }
        return std::nullopt;
    }

    QString openFile(const QString& title, const QString& folder, const QString& filter) override
    {
        m_calls.push_back({Kind::OpenFile, title, folder, filter, Buttons::OkCancel, Icon::None});
        if (auto* a = next<FileAnswer>(title, folder)) {
            return a->path;
        }
        return {};
    }

    QString saveFile(const QString& title, const QString& suggestedPath, const QString& filter) override
    {
        m_calls.push_back({Kind::SaveFile, title, suggestedPath, filter, Buttons::OkCancel, Icon::None});
        if (auto* a = next<FileAnswer>(title, suggestedPath)) {
            return a->path;
        }
        return {};
    }

private:
    struct InputAnswer {
        std::optional<QString> text;
    };
    struct FileAnswer {
        QString path;
    };
    using Scripted = std::variant<Answer, InputAnswer, FileAnswer>;

    template <typename T> T* next(const QString& title, const QString& text)
    {
        if (m_answers.empty()) {
            ADD_FAILURE() << "no scripted answer for dialog \"" << title.toStdString() << "\": " << text.toStdString();
            return nullptr;
        }
        if (!std::holds_alternative<T>(m_answers.front())) {
            ADD_FAILURE() << "scripted answer of the wrong sort for dialog \"" << title.toStdString()
                          << "\": " << text.toStdString();
            m_answers.pop_front();
            return nullptr;
        }
        m_current = m_answers.front();
        m_answers.pop_front();
        return &std::get<T>(m_current);
    }

    std::vector<Call> ofKind(Kind k) const
    {
        std::vector<Call> out;
        for (const Call& c : m_calls) {
            if (c.kind == k) {
                out.push_back(c);
            }
        }
        return out;
    }

    std::deque<Scripted> m_answers;
    Scripted m_current;
    std::vector<Call> m_calls;
    bool m_strict = false;
    std::function<void(const Call&)> m_onMessage;
};

} // namespace korvel::test
