#pragma once
// The user's chip commands, once for every front end: burn, compare, read, erase,
// remove protection and detect. Each owns its whole sequence: the type check, the
// reload of the HEX file, the configuration word, the programming-mode brackets,
// the write scheme, the gauge steps and the counters. The window and pkorvel-cli
// only build the options, call the command and show the result, so both give the
// same result on the same chip and file.

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "device/chip_ops.h"
#include "device/config_words.h"
#include "device/part.h"

namespace pk {

// Texts of the commands, shared by the window and pkorvel-cli.
inline constexpr const char* kNoChipMessage = "kein PIC erkannt";
// What a data line that no chip drives reads, and what to check then.
inline constexpr const char* kOnesHint =
    "alle Bits 1. Meist steckt kein PIC im Sockel, die Programmierspannung (VPP) fehlt oder die "
    "Datenleitung ist offen.";
inline constexpr const char* kZerosHint =
    "alle Bits 0. Meist liegt die Datenleitung auf Masse, die Versorgungsspannung (VDD) fehlt "
    "oder die Taktleitung ist offen.";
// An old 16F84 has no device ID: only the type "16F84/84A" takes it.
inline constexpr const char* kIdlessHint =
    "Ein alter 16F84 hat keine Device-ID: für ihn „16F84/84A“ wählen.";
// The old 16F84 has no device ID: an empty socket reads as a blank one.
inline constexpr const char* kAllBlankText = "Alle Zellen gelöscht – PIC eingesetzt?";
// Results for the status bar.
inline constexpr const char* kReadDoneText = "PIC gelesen – O.K.";
inline constexpr const char* kEraseDoneText = "PIC gelöscht – O.K.";
inline constexpr const char* kUnprotectDoneText = "Codeschutz entfernt – O.K.";

enum class Outcome {
    Ok,
    Failed,        // words did not verify (burn) or differ (compare)
    NoChip,        // nothing answered in the socket
    WrongType,     // another chip than the selected one, or a file that does not fit it
    FileUnusable,  // no HEX file, or one that could not be read completely
    Cancelled,     // the user said no
};

struct CommandResult {
    Outcome outcome = Outcome::Ok;
    ErrorCounters counters;             // the three figures of "Fehlerstatistik"
    bool countersValid = false;         // the command counted (burn, compare, read)
    std::vector<WordFailure> failures;  // in order of occurrence
    bool dataIncluded = false;          // the data EEPROM was burnt, compared or checked
    std::int32_t unstable = 0;          // read: words that read differently twice
    bool allBlank = false;              // read: a 16F84 without ID read nothing but ones
    std::optional<Part> part;           // the chip the command was for, once known
    bool ok() const { return outcome == Outcome::Ok; }
};

// Which chip a command is for.
struct ChipChoice {
    // No type given: take the chip that is detected (DeviceState is set to it).
    bool fromChip = false;
    // The chosen type is a chip with device ID even where its type list entry also
    // covers one without (16F84A within "16F84/84A").
    bool expectDeviceId = false;
};

struct BurnOptions {
    ChipChoice chip;
    bool includeData = true;  // "incl. DataEEProm"
    // The configuration word given instead of the file's.
    std::optional<std::uint16_t> configWord;
    // The second configuration word (16F87/88), taken the same way.
    std::optional<std::uint16_t> configWord2;
    // Where a word is not given: the rule over the file's words; without one the
    // file's words as they stand (the erased word where it gives none).
    ConfigRule configRule;
    // The ID values; nullopt: the file's.
    std::optional<std::array<std::int32_t, 4>> ids;
    // A file whose checksums do not add up goes on without asking (pkorvel-cli --force).
    bool acceptDoubtfulFile = false;
};

// What the front end does for the commands besides showing progress.
class Reporter : public ChipReporter {
  public:
    // Records the failure for the result, then shows it (unless the command holds
    // it back to decide first what it says).
    void failure(const WordFailure& f) final {
        failures_.push_back(f);
        if (!holding_) {
            showFailure(f);
        }
    }
    virtual void showFailure(const WordFailure& f) { message(failureMessage(f, partVpp())); }
    // Reads the HEX file again so that a change made since loading is burnt (the
    // window offers its file dialog when none is loaded). False: nothing usable, stop.
    // A front end whose controls follow the file (the window) updates the options.
    virtual bool reloadHexFile(MemoryImage& image, BurnOptions& options);
    // The file a PIC18F command reads, as it is now; a front end with a file
    // dialog offers it when none is loaded. False: nothing usable, stop.
    virtual bool fileAtHand(std::string& /*path*/) { return true; }
    // A yes/no question; without a user to ask, no.
    virtual bool confirm(const std::string& /*question*/) { return false; }
    // Whether a chip may get a VPP outside its range (the finding, then the
    // question); a front end without a user to ask refuses.
    virtual bool confirmVpp(const std::string& finding, const std::string& question) {
        return confirm(finding + " " + question);
    }
    // Whether a file that may not be what was written (a checksum that does not add
    // up) may reach the chip; a front end without a user to ask refuses.
    virtual bool confirmFile(const std::string& finding, const std::string& question) {
        return confirm(finding + "\r\r" + question);
    }
    // Something worth saying about the file that does not stop the command.
    virtual void notice(const std::string& text) { setPanel(1, text); }
    // The same before a detection without a type, whose chip is not known yet
    // (detectionVppFinding); a front end may say how else to go on.
    virtual bool confirmDetectionVpp(const std::string& finding, const std::string& question) {
        return confirmVpp(finding, question);
    }
    // The counters were set to 0 at the start of a command, and are final at its end.
    virtual void countersCleared() {}
    virtual void countersDone(const ErrorCounters& /*counters*/) {}

    std::vector<WordFailure> takeFailures() { return std::exchange(failures_, {}); }
    const std::vector<WordFailure>& failures() const { return failures_; }
    void holdFailures(bool on) { holding_ = on; }

  private:
    std::vector<WordFailure> failures_;
    bool holding_ = false;
};

// What every command works with: the link, the chip routines over it, and the
// front end they report to.
class ChipSession {
  public:
    ChipSession(ProgrammerLink& link, Clock& clock, MemoryImage& image, DeviceState& device,
                const ProgrammerSettings& settings, ErrorCounters& errors, Reporter& report)
        : link(link), report(report), ops(link, clock, image, device, settings, errors, report) {}

    ProgrammerLink& link;
    Reporter& report;
    ChipOps ops;
    // Types the user let have a VPP outside their range: asked once while the program runs.
    std::set<std::int32_t> vppAccepted;
    // The user let a detection without a type apply the circuit's VPP although
    // some chips take less: asked once while the program runs.
    bool detectionVppAccepted = false;
};

// What is wrong with the circuit's VPP (tenths of a volt) for a row, in German
// ("Der 16F887 verträgt höchstens 12 V an MCLR; der Korvel liefert 13,0 V."), or
// nullopt when the row's range holds it.
std::optional<std::string> vppFinding(const DeviceInfo& row, std::int32_t vppTenths);

// Before the selected type gets VPP: Ok when its range holds the circuit's VPP
// or the user accepts it (once per type), else Cancelled.
Outcome checkVpp(ChipSession& chip);

// The lowest VPP maximum (hundredths of a volt) of all chips a detection
// without a type may find, the 14-bit rows and the PIC18F families alike: up
// to it a detection applies the circuit's VPP without asking.
int detectionVppLimit();
// Which chips take less than the circuit's VPP (tenths of a volt), grouped by
// their maximum: "Die Erkennung legt 13,0 V an MCLR, bevor sie den PIC kennt;
// höchstens 12 V vertragen 16F882, … und 16F785, höchstens 12,5 V die
// 18F2xx0/4xx0. Bis 12 V fragt sie nicht." nullopt when every chip takes it.
std::optional<std::string> detectionVppFinding(std::int32_t vppTenths);
// Before a detection without a type gets VPP: Ok when every chip takes the
// circuit's VPP or the user accepts it (once while the program runs), else
// Cancelled.
Outcome checkDetectionVpp(ChipSession& chip);

// The first address of the file the chip has no place for (beyond its program
// memory, a configuration word it lacks, or with data beyond its EEPROM), or
// nullopt when the file fits.
std::optional<std::int32_t> firstMisfit(const MemoryImage& image, const DeviceState& device,
                                        bool withData);

enum class FileUse { Burn, Compare };

// The gate before a file reaches a chip, on the file as it is on disk: a file that
// is no HEX file, holds no data or (part given) holds words the part has no place
// for is refused with its line and what is wrong; one with a checksum error goes on
// only when accepted (doubtAccepted tells so). Ok, or FileUnusable after its message.
Outcome gateHexFile(ChipSession& chip, const std::string& path, const DeviceState* part,
                    FileUse use, bool acceptDoubt, bool* doubtAccepted = nullptr);

// The counters a list of differences gives, one per word and area.
ErrorCounters countFailures(const std::vector<WordFailure>& failures);

// Every difference a compare counts, in address order.
std::vector<WordFailure> differences(const MemoryImage& image, const DeviceState& device,
                                     bool includeData);

// The warning after a read whose two passes differed, starting with the count.
std::string unstableReadMessage(std::int32_t words);

// The one message of a burn that stopped because the chip does not answer: the
// word read back all ones or all zeros before anything had verified.
std::string noAnswerMessage(const WordFailure& f);

// "kein PIC erkannt" after a type check or detection that read this device ID,
// with what to check.
std::string noChipMessage(std::uint16_t idWord);
// "Falscher PIC-Typ ausgewählt", naming the chip found and the type chosen.
std::string wrongTypeMessage(std::uint16_t idWord, std::int32_t selected);

// The type check before a command; Ok or NoChip/WrongType after its message,
// Cancelled when the user refused the VPP (checkDetectionVpp before a chip is
// detected, checkVpp for the type). readAlong, programAlong: see
// ChipOps::Autodetect; only for a selected type in the data-sheet timing (the
// classic timing keeps its own sequence).
Outcome checkType(ChipSession& chip, const ChipChoice& choice, bool readAlong = false,
                  bool programAlong = false);

CommandResult burn(ChipSession& chip, const BurnOptions& options);
CommandResult verify(ChipSession& chip, const BurnOptions& options);
// Reads everything a save keeps twice; words that differ are counted per area
// (Failed, with the warning shown), the first pass stays in ReadBack.
CommandResult read(ChipSession& chip, const ChipChoice& choice = {});
// Both check afterwards that what was to be cleared reads blank, and count what is not.
CommandResult erase(ChipSession& chip, bool includeData, const ChipChoice& choice = {});
CommandResult removeProtection(ChipSession& chip, bool includeData, const ChipChoice& choice = {});

struct DetectResult {
    // NoChip (the selected type is kept), WrongType for an unknown device ID,
    // Cancelled when the user refused the VPP (nothing was applied)
    Outcome outcome = Outcome::Ok;
    IdLookup found;
    std::uint16_t idWord = 0x3FFF;
    std::uint16_t config = 0x3FFF;
    std::uint16_t config2 = 0xFFFF;  // the second word; 0xFFFF on a chip without one
    std::array<std::uint16_t, 2> factory{0xFFFF, 0xFFFF};  // the factory's words, as read
    bool flashProtected = false;
    bool eepromProtected = false;
};

// The 14-bit detection; the device state follows the detected chip. When
// nothing answered it keeps the selected type: an empty socket is no 16F84.
// typeExpected: the user named the chip he expects (pkorvel-cli --type), so
// programming mode is entered in its type's order first; otherwise
// checkDetectionVpp comes first. "Autodetect" asks a PIC18F before
// (commands_p18.h, autodetect).
DetectResult detect(ChipSession& chip, bool typeExpected = false);

}  // namespace pk
