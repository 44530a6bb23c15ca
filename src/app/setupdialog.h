#pragma once
// The hardware setup dialog: which programmer circuit is on the port and how
// fast its lines may be clocked. The interlocks live in SetupLogic; the widgets
// only show its state and pass the user's changes to it. Closing (by "OK" or by
// the window's close control) takes the values over, updates the main window,
// re-initialises the port lines and saves the settings file, in that order.

#include <QButtonGroup>
#include <QWidget>
#include <functional>
#include <memory>

#include "editors/setup_logic.h"

QT_BEGIN_NAMESPACE
namespace Ui {
class SetupDialog;
}
QT_END_NAMESPACE

namespace pk {

class TOstrac;

class TSetupDialog : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kHelpContext = 107;

    // A new, non-modal dialog that reads the main window's settings now.
    explicit TSetupDialog(TOstrac& main);
    ~TSetupDialog() override;

    const SetupLogic& logic() const { return logic_; }

    void SButtonClick();
    void Button1Click();
    // Escape: closes without taking anything; the settings are as before it opened.
    void cancel();
    // The closing sequence; false when the settings file could not be saved
    // (the dialog then stays open, the new settings are already in force).
    bool FormClose();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void FormCreate();
    // Runs one change through the logic, then shows its state.
    void change(const std::function<void()>& step);
    void showState();
    static void showIndex(QButtonGroup& group, int index);

    std::unique_ptr<Ui::SetupDialog> ui_;
    TOstrac& main_;
    ProgrammerSettings before_;  // the settings when it opened, for Escape
    SetupLogic logic_;
    QButtonGroup treiber_;
    QButtonGroup schalter_;
    bool showing_ = false;
    bool placed_ = false;
};

}  // namespace pk
