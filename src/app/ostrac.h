#pragma once
// The main window. It owns all program state as single instances and wires its
// controls to the Qt-free logic in the subsystem libraries. Its methods keep the
// names users of the original program know from its documentation.
//
// Each subsystem keeps its part of this class in its own section below and its
// own ostrac_<subsystem>.cpp file.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "device/catalogue.h"
#include "device/chip_ops.h"
#include "device/commands.h"
#include "device/doctor.h"
#include "device/family.h"
#include "editors/config_word.h"
#include "idbytes_edit.h"
#include "image/byte_image.h"
#include "image/memory_image.h"
#include "link/clock.h"
#include "link/port_io.h"
#include "link/programmer.h"
#include "link/settings.h"
#include "link/user_dialog.h"
#include "settings/settings_file.h"

QT_BEGIN_NAMESPACE
class QComboBox;
class QLabel;
class QScrollArea;
class QSpacerItem;
class QTimer;
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
    void FormDestroy();
    // The classic switches "/f<file>", "/p<type>", "/reass"; argument 0 is the program.
    void ProcessCommandLine(const QStringList& args);
    // Applies the type chosen in TypComboBox; run after every change of the list.
    void TypComboBoxChange();
    // The user touched the type list: forget the last code-protection findings.
    void TypComboBoxClick();
    void ToolButton5Click();   // "Ende"
    void ToolButton13Click();  // "Help"

    // Status bar: panel 0 (file name, address at work), panel 1 (results, notices).
    void setPanel(int index, const QString& text);
    // Panel 0 names the current HEX file (its full path in the hint).
    void showFileName();
    QString panel(int index) const;
    // Empties panel 1 when it shows one of these notices: for notices that have
    // stopped being true.
    void clearNotice(std::initializer_list<QString> notices);
    QLabel* panelLabel(int index) const;
    // The remaining time of the run in progress beside the panels; hidden for none.
    void showRemaining(const std::optional<std::chrono::seconds>& left);

    // Drives the blinking "O.K." label (400 ms, stopped at start).
    QTimer* Timer1 = nullptr;

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

    // ---- HEX files and settings file (ostrac_hex.cpp) ----
    // "HEX-File laden": the "/f" file or one chosen in the dialog. True when a file
    // was read completely.
    bool ToolButton1Click();
    // Reads HexFileName again. True when it was read completely; false when there is
    // none, it is missing or it is broken (a burn or compare must then stop).
    bool loadFile();
    void ToolButton2Click();  // "Hex-File speichern"
    // Start-up step: defaults, PortBase, settings file, Quick-and-Dirty view rule.
    void LoadSettingsFile();
    // Saves Settings (the setup dialog's last step); on failure shows a message naming
    // the file and the reason and returns false.
    bool SaveSettingsFile();
    void ApplyQuickAndDirtyView();
    // The settings file's record buffer, kept for the whole run, and where it lives.
    SettingsRecord SettingsBuffer;
    std::string SettingsPath;
    // File saves go through these calls; tests make them fail. nullptr: the real ones.
    SaveFileOps* FileSaveOps = nullptr;

    // ---- Programmer link (ostrac_link.cpp) ----
    // A negative port raises RangeError without touching the hardware.
    void WritePort(std::int32_t port, std::uint8_t value);
    std::uint8_t ReadPort(std::int32_t port);
    // Whether port access works; decided once at start.
    bool PortOpen();
    void PortAuf();
    // Switches a found programmer off and gives the port back to the system.
    void PortZu();
    void Delay();
    void Bremse();
    // Serial frames and programming mode; the chip routines use these (or link()).
    void Kommando(std::uint16_t command);
    void WrDaten(std::uint16_t word);
    std::uint16_t RdDaten();
    void StartProgmode();
    void EndProgmode();
    void Anfang();
    void Sync();
    void ToolButton3Click();  // "Korvel suchen"
    // The Qt-free programmer link behind the methods above.
    ProgrammerLink& link() { return *link_; }
    // Runs an operation; a range-check error ends it with the error message box
    // "Range check error" and the program goes on. False when it was ended so.
    bool runGuarded(const std::function<void()>& operation);

  private:
    std::unique_ptr<PortIo> noPort_;
    std::unique_ptr<ProgrammerLink> link_;
    bool programmerFound_ = false;

  public:
    // ---- Configuration and ID editors (ostrac_editors.cpp) ----
    // Builds ConfigWord from the fuse controls (before every burn and compare).
    void SetConfiguration();
    // Takes the file's configuration word into ConfigWord and the fuse controls.
    void UpdateConfigButtons();
    // The fuse controls as they stand.
    ConfigControls configControls();
    // Fills IdWords from the file or the ID editor and shows them in IDLabel.
    void UpdateID();
    void ToolButton12Click();  // "ID Editor"
    // Handlers of the state changes of the controls; each runs once per change,
    // also when the change comes from code.
    void ConfigCheckBoxClick();
    void CP1CheckBoxClick();
    void TaktRadioGroup1Click();
    void DATACheckBoxClick();
    void IDCheckBoxClick();
    // How often each handler ran, so tests can check the chaining.
    struct EditorRuns {
        int configCheckBox = 0;
        int cp1CheckBox = 0;
        int taktRadioGroup1 = 0;
        int dataCheckBox = 0;
        int idCheckBox = 0;
        int updateId = 0;
    };
    EditorRuns editorRuns;
    // "incl. DataEEProm" as the user last set it on a chip with EEPROM; a chip
    // without one unchecks the box only for as long as it is selected.
    bool dataWanted = true;

    // ---- Chip operations, gauges and error statistics (ostrac_ops.cpp) ----
    void UpdateGauge();
    // Error statistics: counters to 0 and "?"; the figures in red/black and "O.K."
    void ClearFehler();
    void ShowFehler();
    // "O.K." blinks three times (Timer1Timer toggles it every 400 ms).
    void OK();
    void Timer1Timer();
    void UpdateRunGauge(std::int32_t position, std::int32_t maximum);
    void DetectBTNClick();  // "Autodetect"
    // Detection, then the detected type selected in the type list and applied.
    void Autodetect2();
    // The chip routines and the commands, reporting into this window's widgets.
    Session& session() { return *session_; }
    ChipOps& ops() { return session_->chip.ops; }
    // Runs a chip operation on this thread: a range-check error ends it with its
    // message box. User input that arrives meanwhile is dropped, not kept for later;
    // a close request is answered with a question once the operation has ended.
    bool runOperation(const std::function<void()>& operation);
    bool operationRunning() const { return operationDepth_ > 0; }
    // A close request came while an operation ran.
    void noteCloseRequest();

    // Failed words of the last command (program, data, ID/configuration).
    ErrorCounters Errors;
    std::int32_t OkBlinkCount = 0;

  private:
    std::unique_ptr<Reporter> opsReporter_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<QObject> inputDropper_;
    int operationDepth_ = 0;
    bool closeRequested_ = false;

  public:
    // ---- User commands (ostrac_commands.cpp) ----
    void ProgBTNClick();    // "Brennen"
    void ReadBTNClick();    // "Lesen"
    void CompBTNClick();    // "Vergleichen"
    void EraseBTNClick();   // "Löschen"
    void AntiCpBTNClick();  // "CP entfernen"
    bool commandRunning() const { return commandRunning_; }

  private:
    // Runs a command with the command controls disabled; refused while one runs.
    void runCommand(const std::function<void()>& command);
    bool commandRunning_ = false;

  public:
    // The current HEX file read again, or one chosen when none is loaded (the
    // commands' reload step in this window).
    bool reloadHexFile();
    // The command options from the controls.
    CommandOptions commandOptions();
    // The part chosen in the type list.
    std::optional<Part> part() const;

  public:
    // ---- Parts with named configuration fields (ostrac_fields.cpp) ----
    // While one is chosen, the PIC-Setup area shows its fields instead of the
    // named fuse controls, and its file is loaded as a byte image; Device
    // keeps the last type of the named controls.
    bool fieldPanelShown() const { return fieldPart_.has_value(); }
    // Whether the part takes four ID words (the ID label and TIdEdit), not ID
    // bytes (TIdBytesEdit).
    bool idWordsShown() const;
    // The file of such a part, and the images every family's file goes to.
    ByteImage FileBytes;
    FileImages fileImages() { return {Image, Device, FileBytes}; }
    // The ID editor's bytes (AbsentByte: not written), burnt while
    // "ID-Locations" is off, for parts whose IDs are bytes.
    std::array<std::uint16_t, kIdByteCount> IdBytesEdited{
        ByteImage::AbsentByte, ByteImage::AbsentByte, ByteImage::AbsentByte, ByteImage::AbsentByte,
        ByteImage::AbsentByte, ByteImage::AbsentByte, ByteImage::AbsentByte, ByteImage::AbsentByte};
    // The configuration cells the panel's fields give, over the erased values.
    std::vector<std::uint16_t> panelCells() const;
    // Sets the panel's fields from these cells.
    void setFieldPanel(std::span<const std::uint16_t> cells);
    // The panel's cells as configuration settings, where the part has them.
    std::vector<ConfigSetting> fieldSettings() const;
    // Loads HexFileName for the part quietly (after a change of the type or a
    // save); false when it could not.
    bool loadFieldFile(bool quiet = true);

  private:
    void setUpFieldPanel();
    // The setup area for the part; nullopt: back to the named controls.
    void showFieldPanel(const std::optional<Part>& part);
    // "aus HEX-File lesen" on such a part: the file's cells into the fields
    // (the erased value where the file gives none), the fields locked.
    void fieldsFromFile();
    std::optional<Part> fieldPart_;
    QScrollArea* fieldPanel_ = nullptr;
    std::vector<std::pair<QComboBox*, const ConfigField*>> fields_;
    // The named setup widgets hidden while the panel shows, the left column's
    // spacer (none then) and the area's minimum width before.
    std::vector<QWidget*> fieldHidden_;
    QSpacerItem* fieldSpacer_ = nullptr;
    int setupMinWidth_ = 0;

  public:
    // ---- Viewers (ostrac_viewers.cpp) ----
    void ToolButton8Click();   // memory map
    void ToolButton9Click();   // HEX file viewer
    void ToolButton11Click();  // assembler listing

    // ---- Connection check (ostrac_doctor.cpp) ----
    // "Verbindung prüfen": the port and chip readings explained in a message box.
    void ToolButton14Click();
    LinkDiagnosis LastDiagnosis;

    // ---- Setup dialog and info window (ostrac_setup.cpp) ----
    void ToolButton6Click();  // "Hardwareeinstellung"
    void ToolButton7Click();  // "Programminfo"

  protected:
    // Each subsystem connects its own controls.
    void wireHex();
    void wireLink();
    void wireEditors();
    void wireOps();
    void wireCommands();
    void wireViewers();
    void wireSetup();
    void wireDoctor();

    void closeEvent(QCloseEvent* event) override;

  private:
    void setUpShell();
    void setUpToolBar();
    void setUpStatusBar();
    void setUpTabOrder();

    std::unique_ptr<Ui::Ostrac> ui_;
    QLabel* statusPanel0_ = nullptr;
    QLabel* statusPanel1_ = nullptr;
    QLabel* remainingLabel_ = nullptr;
    std::unique_ptr<UserDialog> ownDialog_;
    std::unique_ptr<Clock> ownClock_;
    UserDialog* dialog_ = nullptr;
    Clock* clock_ = nullptr;
    PortIo* port_ = nullptr;
    OstracDeps deps_;
    QPointer<QWidget> setupDialog_;  // the one setup dialog while it is open
};

}  // namespace pk
