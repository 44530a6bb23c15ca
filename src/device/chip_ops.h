#pragma once
// Everything done to a chip in programming mode: burning, reading, erasing,
// code-protection removal and autodetection. Qt-free, so the window and the
// command-line tool run the very same sequences; they only differ in how they
// show progress and results (ChipReporter).
//
// The routines talk to the chip only through the programmer link's Kommando,
// WrDaten and RdDaten, inside StartProgmode/EndProgmode brackets that the
// callers open and close (except where a routine restarts the mode itself).

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/catalogue.h"
#include "image/hex_text.h"
#include "image/memory_image.h"
#include "link/clock.h"
#include "link/programmer.h"
#include "link/settings.h"

namespace pk {

// How the newer chips (16F62xA, 16F87xA, 16F87/88, 16F818/819) are written and
// erased; nullopt for the older families.
struct NewerScheme {
    int latchWords = 1;            // words one programming cycle writes (1, 4 or 8)
    int eraseRowWords = 0;         // 32: a row erase (8 ... 23) before its words are programmed
    bool selfTimedRows = false;    // 16F87xA: 8 erases and writes the row by itself
    bool chipErase = false;        // erased with 31; else the bulk erases 9 and 11 (self-timed)
    bool dataWriteErases = false;  // 8 erases a data byte itself: no data erase before a burn
    // Program-only rows (16F88x, 16F6xx, 16F91x, 16F716, 16F616): the chip is bulk
    // erased first, and a row holds the file's words and ones.
    bool bulkEraseFirst = false;
};
std::optional<NewerScheme> newerScheme(std::int32_t type);

// Texts the chip routines show.
// Status-bar panel 1 when no device ID answered; the type stays as selected.
inline constexpr const char* kNoChipText =
    "kein PIC erkannt (ein alter 16F84 hat keine Device-ID: dann 16F84/84A wählen)";
inline constexpr const char* kWrongTypeText = "Falscher PIC-Typ ausgewählt";
inline constexpr const char* kCodeProtectedText = "codeprotected";
inline constexpr const char* kRevisionPrefix = "Chip-Revision: ";
// A word an erase left set, in the form of the verify messages
// ("0x0007: 0x3FFF erwartet, 0x2800 gelesen.").
inline constexpr const char* kNotBlankText = "PIC nicht vollständig gelöscht! ";
inline constexpr const char* kEepromRestoreFailedText =
    "EEPROM nach dem Löschen nicht wiederhergestellt! ";
// Status-bar panel 1 in the data-sheet timing: which way program memory is burnt.
inline constexpr const char* kProgramOnlyText =
    "Datenblatt-Timing: PIC gelöscht, Wörter nur programmiert";
inline constexpr const char* kWordByWordText =
    "Datenblatt-Timing: jedes Wort gelöscht und programmiert";
// Once, when the circuit cannot raise VPP and VDD in the order the chip asks.
inline constexpr const char* kEntryOrderText =
    "Schaltung kann VPP und VDD nicht getrennt schalten: VDD zuerst – "
    "ein PIC mit internem Oszillator und MCLR aus lässt sich so evtl. nicht programmieren";
// After two reads of the same word that differ: what to check.
inline constexpr const char* kCheckConnectionHint =
    "Bitte die Verbindung prüfen: Kabel, Stecker und Masse zwischen PC und Korvel.";
// Two reads of the data EEPROM that an erase must keep differ (both families).
inline constexpr const char* kEepromUnstableText =
    "EEPROM ließ sich nicht zweimal gleich lesen – Verbindung prüfen, nichts gelöscht";
// The factory calibration (OSCCAL word and bandgap bits) could not be kept.
inline constexpr const char* kCalibrationUnstableText =
    "OSCCAL-Wert und Bandgap-Bits ließen sich nicht zweimal gleich lesen – Verbindung prüfen, "
    "nichts gelöscht";
inline constexpr const char* kCalibrationMissingText =
    "Kein gültiger OSCCAL-Wert (RETLW) im PIC – er ginge beim Löschen verloren, nichts gelöscht. "
    "Gelesen: ";
inline constexpr const char* kCalibrationNoReadText =
    "Diese Schaltung kann nicht lesen: OSCCAL-Wert und Bandgap-Bits gingen beim Löschen verloren, "
    "nichts gelöscht";
inline constexpr const char* kFactoryUnstableText =
    "Kalibrierwort ließ sich nicht zweimal gleich lesen – Verbindung prüfen, nichts gelöscht";
inline constexpr const char* kCalibrationKeptText =
    "OSCCAL-Wert des PIC an 0x3FF behalten, das Wort der Datei dort nicht gebrannt";

// Failed words of the last command, per area.
struct ErrorCounters {
    std::int32_t ProgramErrorCount = 0;
    std::int32_t DataErrorCount = 0;
    std::int32_t ConfigIdErrorCount = 0;
    std::int32_t sum() const { return ProgramErrorCount + DataErrorCount + ConfigIdErrorCount; }
};

// Where a word that did not verify lives.
enum class Area { Program, Data, Id, Config };

// A word that did not read back as written: the record the front ends turn into
// text, JSON or a list. Addresses are chip word addresses (0x2100 + n for EEPROM).
struct WordFailure {
    Area area = Area::Program;
    std::int32_t address = 0;
    std::uint16_t wanted = 0;
    std::uint16_t read = 0;
    // How the word was found wrong.
    enum class Check {
        Written,      // read back right after it was written
        VerifyPass,   // in a pass after every word was written (16F7x, row writers)
        ReadTwice,    // nothing written: two reads of a kept word gave `wanted` and `read`
        Calibration,  // the factory calibration word written back after an erase
        FactoryWord,  // a factory word in configuration memory before and after an erase
    };
    Check check = Check::Written;
    bool operator==(const WordFailure&) const = default;
};

// The message box text for a failed word: the area, the address and both words in
// hex ("0x001B: 0x2C88 geschrieben, 0x2C89 gelesen"), and what to check, with the
// VPP the part allows where it is known.
std::string failureMessage(const WordFailure& f, const VppRange& vpp = {});

// Colour of the run gauge (the usage gauges have their own colours).
enum class RunGaugeColour { DarkGreen, Red };

// The run gauge: 0..20, shown only while an operation runs.
struct RunGaugeState {
    static constexpr int Maximum = 20;
    int progress = 0;
    bool visible = false;
    RunGaugeColour colour = RunGaugeColour::DarkGreen;
    // The run's time still to come, from its pace so far; none until a run has
    // gone far enough (a twentieth, or a second) for the pace to mean something.
    std::optional<std::chrono::seconds> remaining;
};

// Remaining time of a run that has done `done` of `total` in `elapsed`, or none
// while too little is done to tell.
std::optional<std::chrono::seconds> remainingTime(std::chrono::nanoseconds elapsed, double done,
                                                  double total);
// "noch 34 s", "noch 4:29 min": the remaining time as the window and the CLI show it.
std::string remainingText(std::chrono::seconds left);

// "Adresse 0x001B": the address a routine works on, as panel 0 shows it. EEPROM
// bytes are named by their own offset, as the chip's data memory counts them.
std::string addressText(std::int32_t address);

// How chip routines show what they do. The main window implements it with its
// widgets (repainting only the gauges, counters and status bar while a command
// runs), the command-line tool with terminal output.
class ChipReporter {
  public:
    virtual ~ChipReporter() = default;
    // Status-bar panel 0 (file, address being worked on) or 1 (results, notices).
    virtual void setPanel(int panel, const std::string& text) = 0;
    // The address being worked on, in panel 0.
    void showAddress(std::int32_t address) { setPanel(0, addressText(address)); }
    // The run gauge changed; show it now.
    virtual void showRunGauge(const RunGaugeState& gauge) = 0;
    // A modal message box (verify failures, "Falscher PIC-Typ ausgewählt").
    virtual void message(const std::string& text) = 0;
    // The two "codeprotected" indicators after a detection.
    virtual void showCodeProtection(bool flash, bool eeprom) = 0;
    // A word that did not verify while burning; shown as its message box.
    virtual void failure(const WordFailure& f) { message(failureMessage(f, partVpp_)); }

    // The VPP range of the part a command works on, for the hints it gives.
    void setPartVpp(const VppRange& range) { partVpp_ = range; }
    const VppRange& partVpp() const { return partVpp_; }

  private:
    VppRange partVpp_;
};

// What a detection read and made of it.
struct Detection {
    IdLookup found;  // the device ID looked up in the catalogue
    std::uint16_t idWord = 0x3FFF;
    std::uint16_t config = 0x3FFF;
    std::uint16_t config2 = 0xFFFF;  // 0xFFFF: the chip has no second word
    // The detected chip's factory words (FactoryWords order); 0xFFFF: none.
    std::array<std::uint16_t, 2> factoryWords{0xFFFF, 0xFFFF};
    bool flashProtected = false;
    bool eepromProtected = false;
    // The bracket that answered also read the data EEPROM, IDs and configuration.
    bool readAlong = false;
    // The last program word read along (-1: none).
    std::int32_t programReadTo = -1;
    std::int32_t type() const { return found.type; }
    std::string revisionText() const { return found.revisionText(); }
};

class ChipOps {
  public:
    ChipOps(ProgrammerLink& link, Clock& clock, MemoryImage& image, DeviceState& device,
            const ProgrammerSettings& settings, ErrorCounters& errors, ChipReporter& reporter)
        : link_(link),
          clock_(clock),
          image_(image),
          device_(device),
          settings_(settings),
          errors_(errors),
          report_(reporter) {}

    // ---- Programming mode, in the order the chip type asks where the circuit can ----
    void StartProgmode();
    // The order StartProgmode uses for the current type on the current circuit.
    EntryOrder entryOrder() const;
    // Where the next pass starts: program word 0, or data byte 0.
    enum class PassStart { ProgramWord, DataByte };
    // Brings the counter there without leaving programming mode where the chip's
    // data sheet says how its counter repeats and counting on is quicker than the
    // voltage pauses of a new entry (data-sheet timing only); false: nothing sent.
    bool countOnTo(PassStart start);
    // The Increment Address commands countOnTo would send from `counted`
    // increments since entry; nullopt where it would not.
    std::optional<std::int32_t> stepsTo(PassStart start, std::int32_t counted) const;
    // countOnTo, or else a new entry.
    void restartAt(PassStart start);

    // ---- Progress (gauge rules: never moves back; full, then hidden at the end) ----
    void UpdateRunGauge(std::int32_t position, std::int32_t maximum);
    const RunGaugeState& runGauge() const { return gauge_; }
    void setGaugeColour(RunGaugeColour c);

    // ---- Burning (each right after StartProgmode; the caller ends the mode) ----
    void WriteProgram();
    void WriteProgram7x();  // ends and restarts programming mode for its verify pass
    // Row-writing chips: reads what the chip holds, writes the rows that differ
    // (the file's words, the chip's own elsewhere), then verifies in a pass of its own.
    // With includeData the file's EEPROM bytes follow (a chip erase before
    // program-only rows keeps the others).
    void WriteProgramRows(const NewerScheme& s, bool includeData = false);
    void WriteData();
    void WriteConfiguration();

    // ---- Reading and erasing (each right after StartProgmode) ----
    void ReadProgram(bool whole);
    void ReadData();
    void ReadConfiguration();
    // ---- Factory calibration (12F629/675, 16F630/676) ----
    struct CalibrationValues {
        std::uint16_t word = 0x3FFF;
        std::uint16_t configBits = 0;
    };
    // Reads the calibration word and the configuration word's calibration bits,
    // twice, each pass from a new entry; keeps them (keptCalibration) when both
    // passes agree and the word is a RETLW. Otherwise says why, counts a
    // failure, marks the calibration refused and returns nullopt: then nothing
    // may be erased. Leaves the chip in a new programming mode with the counter
    // at 0.
    std::optional<CalibrationValues> ReadCalibration();
    // After an erase: the kept word back to its address, and, with config, the
    // configuration word blank but for the kept bits; both read back and checked.
    // Re-enters programming mode first (the erase leaves the counter in
    // configuration space).
    void RestoreCalibration(bool config);
    // The calibration the erase of this command read and writes back: one read
    // serves the erase, the restore, the configuration word and the blank check.
    const std::optional<CalibrationValues>& keptCalibration() const { return keptCalibration_; }
    // The last ReadCalibration refused: nothing was erased, nothing more may be burnt.
    bool calibrationRefused() const { return calibrationRefused_; }
    // A new command reads the calibration afresh.
    void forgetCalibration() {
        keptCalibration_.reset();
        calibrationRefused_ = false;
    }
    // The configuration word as the chip must hold it: on a chip with calibration
    // bits, the implemented bits of `word` with the kept calibration in place.
    std::uint16_t withCalibration(std::uint16_t word) const;

    // On the 16F87x, whose only erase also clears the data EEPROM, a data EEPROM
    // not included is read before and written back (verified) after the erase;
    // this ends and restarts programming mode.
    void ErasePIC(bool includeData);
    // After an erase or the protection removal, in its own programming-mode
    // brackets: reads program memory, the data EEPROM (when included) and the
    // configuration word (where the erase clears it, and always after the
    // protection removal), counts every word that is not blank in its error
    // counter and names the first one in a message. Returns the number found.
    std::int32_t BlankCheck(bool includeData, bool protectionRemoved = false);
    // Writes `word` to program address 0 (erased before) in a programming-mode
    // bracket of its own and returns what reads back; the caller erases it again.
    std::uint16_t ProbeProgramWord(std::uint16_t word);
    // The code-protection removal sequence at the configuration word (not 16F7x),
    // with its own programming-mode bracket and gauge steps.
    void RemoveCodeProtection();

    // ---- Detection (own programming-mode bracket) ----
    // Which entry orders a detection tries, one bracket each, until something
    // answers. VDD first is what every chip accepts that does not run its own
    // program; a chip that does (internal oscillator, MCLR disabled) answers only
    // to the order its type asks.
    enum class Probe {
        Unknown,       // nothing known of the chip: VDD first, then VPP first
        Expected,      // the selected type is expected: its order, VDD first, VPP first
        SelectedType,  // the type check: the selected type's order, then VDD first
    };
    // readAlong: the first bracket also reads the data EEPROM and the IDs and
    // configuration into ReadBack, as ReadData and ReadConfiguration do, so a
    // read or compare needs no entry of its own for them; Detection::readAlong
    // tells whether the bracket that answered was that one. programAlong:
    // program memory as far as a compare needs it too, where the counter can be
    // brought from the one to the other without a new entry;
    // Detection::programReadTo tells up to which word.
    Detection Autodetect(Probe probe = Probe::Unknown, bool readAlong = false,
                         bool programAlong = false);
    // The last word ReadProgram(whole) reads.
    std::int32_t lastWordToRead(bool whole) const;
    // Whether the chip in the socket is of the selected type (the message when
    // not); the quick-and-dirty circuit cannot read, so it passes unchecked.
    bool checkSelectedType();

    // The catalogue row of the selected type (an index outside the list gets the
    // first row's chip with device ID, whose sequences it always ran).
    const DeviceInfo& row() const {
        const DeviceInfo* d = deviceInfo(device_.CurrentType);
        return d != nullptr ? *d : kDevices[0];
    }
    // The erase scheme and waits of the chip in the socket.
    ChipProcedure procedure() const {
        return procedureOf(row(), device_.Is84A || deviceInfo(device_.CurrentType) == nullptr);
    }
    // What the program waits for the chip's cycles, in the timing chosen.
    const CycleTimes& waits() const {
        const ChipTimes& t = *procedure().times;
        return settings_.Timing == TimingMode::DataSheet ? t.dataSheet : t.classic;
    }
    // The data-sheet timing waits each cycle's maximum, which the data sheets
    // give for the whole range of supply, temperature and parts, and this much
    // more for the PC's clock (sleeps are never short, a quartz is off by far
    // less; a wait 10 % short is caught by the simulator, so the margin is real).
    static constexpr int kDataSheetMarginPercent = 1;
    // The data-sheet timing on a chip with program-only cycles, when the file
    // fills enough words for the erase to pay: the chip's erase, then 0x18 per
    // word. Says which way it went in status-bar panel 1.
    bool ProgramOnlyPays(bool includeData) const;
    // Goes word by word instead when the erase would clear what the file does
    // not set (EraseLosesNothing).
    void WriteProgramAfterErase(bool includeData);
    // Whether the chip's erase may clear nothing but what the burn writes: every
    // program word the file leaves out, and every ID it does not set where the
    // erase takes the IDs, reads blank twice. Reads only where the file has such
    // gaps, and then leaves the chip in a new programming mode, counter at 0.
    bool EraseLosesNothing();
    // Every ID the burn does not set reads blank twice. From a new entry, and
    // leaves the chip in one, counter at 0.
    bool UnsetIdsBlank();
    // Self-timed rows (16F87xA) in the data-sheet timing: whether a chip erase
    // and program-only rows pay for `fileRows` rows against `dirtyRows` erase and
    // program cycles; then the erase (EEPROM kept unless the file gives it all).
    // False, with the chip in a new entry either way, when nothing was erased.
    bool ProgramOnlyRowsPay(std::int64_t fileRows, std::int64_t dirtyRows, bool includeData) const;
    bool EraseForProgramOnlyRows(bool includeData);
    // Whether the erase before a program-only burn takes the EEPROM along: only
    // when the file gives every byte of it.
    bool ErasesData(bool includeData) const;

  private:
    // Sleeps through a chip cycle. The classic waits are whole milliseconds; the
    // data sheet's are not, and get the margin; a wait of 0 is none.
    void sleepFor(std::chrono::microseconds d) {
        if (d.count() <= 0) {
            return;
        }
        if (settings_.Timing == TimingMode::DataSheet) {
            clock_.sleepFor(d + d * kDataSheetMarginPercent / 100);
            return;
        }
        clock_.sleepMs(
            static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count()));
    }
    void EraseAtConfig(bool includeData);
    // Reads the factory's words in configuration memory twice; false (and the
    // message, counted) when the reads differ: then nothing may be erased.
    // Leaves the chip in a new programming mode, counter at 0.
    bool ReadFactoryWords(std::array<std::uint16_t, 2>& words);
    // The factory's words as the type check of this command read them (twice
    // alike) on a chip of the selected type; the erase takes them as the words
    // before it, once, instead of an entry of its own to read them.
    std::optional<std::array<std::uint16_t, 2>> CheckedFactoryWords;
    // Load Configuration (the counter at 0x2000, below the factory's words) and
    // the bulk erase, 11 too with data; the factory's words read before and
    // after, a changed one counted and named. Leaves the chip in a new
    // programming mode, counter at 0; false when it erased nothing.
    bool BulkEraseKeepingFactoryWords(bool data = false);
    void EraseKeepingData(bool includeData, const NewerScheme* s);
    bool ReadDataTwice(std::vector<std::uint16_t>& kept);
    void writeConfigurationRows(const NewerScheme& s);
    // Erases the row the counter stands in (the newer chips' Begin Erase, 8 ... 23).
    void eraseRow();
    // Load Configuration, then the self-timed bulk erase of program memory, and
    // with data that of the data memory: from configuration space it takes the
    // IDs and the configuration word too. The counter stays at 0x2000.
    void bulkEraseAtConfig(bool data);
    // One programming cycle of what the latches hold, with the row's start and
    // end commands; the end command where the host times the cycle.
    void programCycle();
    void endCycle();
    // Panel 1 after a burnt configuration: which of the file's words at the
    // chip's own calibration were left out; "" for none.
    std::string keptNote() const;
    void writeProgramWords(bool qd);
    void idWriterErasePrograms();
    void idWriterProgrammingCycles();
    void failProgram(std::int32_t address, std::uint16_t wanted, std::uint16_t read,
                     WordFailure::Check check = WordFailure::Check::Written);

  public:
    ProgrammerLink& link() { return link_; }
    Clock& clock() { return clock_; }
    MemoryImage& image() { return image_; }
    DeviceState& device() { return device_; }
    const ProgrammerSettings& settings() const { return settings_; }
    ErrorCounters& errors() { return errors_; }

  private:
    ProgrammerLink& link_;
    Clock& clock_;
    MemoryImage& image_;
    DeviceState& device_;
    const ProgrammerSettings& settings_;
    ErrorCounters& errors_;
    ChipReporter& report_;
    RunGaugeState gauge_;
    std::chrono::nanoseconds runStart_{0};
    // The type whose entry-order note the status bar has shown (-1: none yet).
    std::int32_t entryNoteType_ = -1;
    // The burn left the file's word at the calibration address out.
    bool calibrationKeptOut_ = false;
    std::optional<CalibrationValues> keptCalibration_;
    bool calibrationRefused_ = false;
};

// The device ID and configuration word(s) in a programming-mode bracket of their
// own, as detection reads them; config2 stays 0xFFFF on a chip without a second word.
struct IdWords {
    std::uint16_t id = 0x3FFF;
    IdLookup found;  // the device ID looked up in the catalogue
    std::uint16_t config = 0x3FFF;
    std::uint16_t config2 = 0xFFFF;
    // The factory's words of the named chip (FactoryWords order); 0xFFFF: none.
    std::array<std::uint16_t, 2> factory{0xFFFF, 0xFFFF};
    bool factoryTwice = true;  // each read the same a second time
};
// alongFirst, when given, runs right after entry, before Load Configuration
// (reads of data memory); ids, when given, gets the four ID locations (low four
// bits) read on the way to the device ID; vddOffFirst: see ProgrammingMode::start.
IdWords readIdWords(ProgrammerLink& link, Clock& clock, EntryOrder order,
                    const std::function<void()>& alongFirst = {},
                    std::array<std::uint16_t, 4>* ids = nullptr, bool vddOffFirst = false);

// "Kalibrierung ab Werk: 0x2008 = 0x1F94, 0x2009 = 0x3FF8": the factory's words
// of a chip that has them, as read; "" for a chip without.
std::string factoryWordsText(const DeviceInfo& d, const std::array<std::uint16_t, 2>& words);

// Compare counting of "Vergleichen" over the image (after the reads): returns the
// counters; data only when includeData.
ErrorCounters CompareImage(const MemoryImage& image, const DeviceState& device, bool includeData);

}  // namespace pk
