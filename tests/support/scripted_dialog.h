#pragma once
// A user for tests: records every question and answers file dialogs from a queue.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "link/user_dialog.h"

namespace pk {

// Records every question and answers file dialogs from a queue (cancel when empty).
class ScriptedDialog : public UserDialog {
  public:
    enum class Kind { Message, OpenFile, SaveFile, ManualSwitch, Question };
    struct Entry {
        Kind kind;
        std::string text;     // message text, or dialog title
        std::string caption;  // message caption, or dialog filter
        std::string initialName;
    };

    void message(const std::string& text, const std::string& caption = kAppTitle) override;
    std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                        const std::string& initialName) override;
    std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                        const std::string& initialName) override;
    void manualSwitch(const std::string& text) override;
    // Answers the questions from a queue (no when empty).
    bool question(const std::string& text, const std::string& caption = kAppTitle) override;
    void queueQuestionAnswer(bool yes) { questionAnswers_.push_back(yes); }

    // Answers for the next file dialogs, in order; nullopt answers "cancel".
    void queueFileAnswer(std::optional<std::string> answer) {
        answers_.push_back(std::move(answer));
    }

    const std::vector<Entry>& entries() const { return entries_; }
    // Only the texts of message boxes (not file dialogs or switch prompts).
    std::vector<std::string> messages() const;
    void clear() { entries_.clear(); }

  private:
    std::optional<std::string> nextAnswer();
    std::vector<Entry> entries_;
    std::deque<std::optional<std::string>> answers_;
    std::deque<bool> questionAnswers_;
};

inline void ScriptedDialog::message(const std::string& text, const std::string& caption) {
    entries_.push_back({Kind::Message, text, caption, {}});
}

inline std::optional<std::string> ScriptedDialog::openFile(const std::string& title,
                                                           const std::string& filter,
                                                           const std::string& initialName) {
    entries_.push_back({Kind::OpenFile, title, filter, initialName});
    return nextAnswer();
}

inline std::optional<std::string> ScriptedDialog::saveFile(const std::string& title,
                                                           const std::string& filter,
                                                           const std::string& initialName) {
    entries_.push_back({Kind::SaveFile, title, filter, initialName});
    return nextAnswer();
}

inline void ScriptedDialog::manualSwitch(const std::string& text) {
    entries_.push_back({Kind::ManualSwitch, text, {}, {}});
}

inline bool ScriptedDialog::question(const std::string& text, const std::string& caption) {
    entries_.push_back({Kind::Question, text, caption, {}});
    if (questionAnswers_.empty()) {
        return false;
    }
    const bool yes = questionAnswers_.front();
    questionAnswers_.pop_front();
    return yes;
}

inline std::vector<std::string> ScriptedDialog::messages() const {
    std::vector<std::string> out;
    for (const auto& e : entries_) {
        if (e.kind == Kind::Message) {
            out.push_back(e.text);
        }
    }
    return out;
}

inline std::optional<std::string> ScriptedDialog::nextAnswer() {
    if (answers_.empty()) {
        return std::nullopt;
    }
    auto a = std::move(answers_.front());
    answers_.pop_front();
    return a;
}

}  // namespace pk
