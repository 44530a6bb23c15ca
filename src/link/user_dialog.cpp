#include "link/user_dialog.h"

namespace pk {

void ScriptedDialog::message(const std::string& text, const std::string& caption) {
    entries_.push_back({Kind::Message, text, caption, {}});
}

std::optional<std::string> ScriptedDialog::openFile(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& initialName) {
    entries_.push_back({Kind::OpenFile, title, filter, initialName});
    return nextAnswer();
}

std::optional<std::string> ScriptedDialog::saveFile(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& initialName) {
    entries_.push_back({Kind::SaveFile, title, filter, initialName});
    return nextAnswer();
}

void ScriptedDialog::manualSwitch(const std::string& text) {
    entries_.push_back({Kind::ManualSwitch, text, {}, {}});
}

bool ScriptedDialog::question(const std::string& text, const std::string& caption) {
    entries_.push_back({Kind::Question, text, caption, {}});
    if (questionAnswers_.empty()) {
        return false;
    }
    const bool yes = questionAnswers_.front();
    questionAnswers_.pop_front();
    return yes;
}

std::vector<std::string> ScriptedDialog::messages() const {
    std::vector<std::string> out;
    for (const auto& e : entries_) {
        if (e.kind == Kind::Message) {
            out.push_back(e.text);
        }
    }
    return out;
}

std::optional<std::string> ScriptedDialog::nextAnswer() {
    if (answers_.empty()) {
        return std::nullopt;
    }
    auto a = std::move(answers_.front());
    answers_.pop_front();
    return a;
}

}  // namespace pk
