#pragma once
// The one seam for everything that asks the user: message boxes, file dialogs
// and the prompts of a hand-operated voltage switch. Qt implements it in the
// program, the terminal in the command-line tool, a scripted recorder in tests.
// Texts are UTF-8; a "\r" in a text is a line break.

#include <optional>
#include <string>

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

}  // namespace pk
