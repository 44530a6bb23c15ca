#pragma once
// The main window. It owns all program state as single instances and wires its
// controls to the Qt-free logic in the subsystem libraries. Its methods keep the
// names users of the original program know from its documentation.
//
// Each subsystem keeps its part of this class in its own section below and its
// own ostrac_<subsystem>.cpp file.

#include <QMainWindow>
#include <QStringList>
#include <memory>

#include "device/catalogue.h"
#include "image/memory_image.h"
#include "link/clock.h"
#include "link/port_io.h"
#include "link/settings.h"
#include "link/user_dialog.h"

QT_BEGIN_NAMESPACE
namespace Ui {
class Ostrac;
}
QT_END_NAMESPACE

namespace pk {

// What the main window is made with; tests pass fakes, main() the real things.
struct OstracDeps {
    UserDialog* dialog = nullptr;  // nullptr: Qt message boxes and file dialogs
    PortIo* port = nullptr;        // nullptr: no port access
    Clock* clock = nullptr;        // nullptr: the real clock
    QStringList arguments;         // argument 0 is the program's path
    bool simulated = false;        // the window caption says so
};

class TOstrac : public QMainWindow {
    Q_OBJECT

  public:
    explicit TOstrac(const OstracDeps& deps, QWidget* parent = nullptr);
    ~TOstrac() override;

    // ---- Application shell (start-up, command line, window wiring) ----
    void FormCreate();
    void ProcessCommandLine(const QStringList& args);
    void TypComboBoxChange();
    void TypComboBoxClick();
    void ToolButton5Click();  // "Ende"

    // State shared by all subsystems.
    MemoryImage Image;
    DeviceState Device;
    ProgrammerSettings Settings;
    std::int32_t PortBase = 0x378;
    QString StartupFileName;
    bool StartupFilePending = false;

    UserDialog& dialog() { return *dialog_; }
    Clock& clock() { return *clock_; }
    Ui::Ostrac* ui() { return ui_.get(); }

    // ---- HEX files and settings file ----

    // ---- Programmer link ----

    // ---- Configuration and ID editors ----

    // ---- Chip operations, gauges and error statistics ----

    // ---- Viewers ----

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    std::unique_ptr<Ui::Ostrac> ui_;
    std::unique_ptr<UserDialog> ownDialog_;
    std::unique_ptr<Clock> ownClock_;
    UserDialog* dialog_ = nullptr;
    Clock* clock_ = nullptr;
    PortIo* port_ = nullptr;
    OstracDeps deps_;
};

}  // namespace pk
