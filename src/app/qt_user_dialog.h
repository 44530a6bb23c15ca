#pragma once
// Message boxes and file dialogs of the program, through Qt.

#include <QPointer>
#include <QWidget>

#include "link/user_dialog.h"

namespace pk {

class QtUserDialog : public UserDialog {
  public:
    explicit QtUserDialog(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(const std::string& text, const std::string& caption = kAppTitle) override;
    bool question(const std::string& text, const std::string& caption = kAppTitle) override;
    std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                        const std::string& initialName) override;
    std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                        const std::string& initialName) override;

    // The program's texts use "\r" as line break; Qt wants "\n".
    static QString displayText(const std::string& text);

  private:
    QPointer<QWidget> parent_;
};

}  // namespace pk
