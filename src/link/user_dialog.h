#pragma once
// The one seam for everything that asks the user: message boxes, file dialogs
// and the prompts of a hand-operated voltage switch. Qt implements it in the
// program, the terminal in the command-line tool, a scripted recorder in tests.
// Texts are UTF-8; a "\r" in a text is a line break.

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace pk {

inline constexpr const char* kAppTitle = "PKorvel";

class UserDialog {
  public:
    virtual ~UserDialog() = default;
    // A message box with an OK button; returns when the user closed it.
    virtual void message(const std::string& text, const std::string& caption = kAppTitle) = 0;
    // Asks for a file to open; nullopt when the user cancels.
    virtual std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                                const std::string& initialName) = 0;
    // Asks for a file to save to; nullopt when the user cancels.
    virtual std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                                const std::string& initialName) = 0;
    // A hand-operated switch must be thrown ("+12V jetzt einschalten", ...). Returns
    // when the user confirms. A separate call so a simulated circuit can obey it.
    virtual void manualSwitch(const std::string& text) { message(text); }
    // A question with "Ja" and "Nein"; true for yes. Without a user to ask: no.
    virtual bool question(const std::string& /*text*/, const std::string& /*caption*/ = kAppTitle) {
        return false;
    }
};

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

}  // namespace pk
