#pragma once
// Everything done to a PIC18F: detection, bulk erase, burning, verifying,
// reading and protection removal, over the PIC18F frames (link/frames18.h) on
// the same programmer link, clock, settings and reporter as the 14-bit chip
// routines. Burn, verify and erase stay in programming mode from their type
// check to their end, as the data sheets' sessions do; a read's two passes
// each enter on their own, so that the second does not share the first's
// entry. The mode is entered VDD first (the only entry these chips document)
// and left also when a step throws.
//
// Addresses in failure records are the chip's byte addresses as the HEX file
// has them: program memory from 0, IDs at 0x200000, configuration bytes at
// 0x300000, data EEPROM byte n at 0xF00000 + n. Wanted and read values are bytes.
//
// The commands (burn, verify, read, erase, unprotect) first check the
// circuit's VPP against the part's VIHH and the chip in the socket against the
// part chosen; a circuit that cannot read is refused, since nothing here is
// reported done without reading it back.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "device/commands.h"
#include "device/p18_catalogue.h"
#include "image/byte_image.h"
#include "link/frames18.h"

namespace pk {

// Texts of the PIC18F routines.
inline constexpr const char* kP18NoReadText =
    "Diese Schaltung kann nicht lesen: ein PIC18F wird nur mit Rücklesen gebrannt, gelöscht oder "
    "gelesen.";
inline constexpr const char* kP18ImageMismatchText =
    "Das Speicherbild passt nicht zum gewählten PIC18F (andere Speichergrößen).";
inline constexpr const char* kP18NotBlankText = "PIC18F nicht vollständig gelöscht! ";
inline constexpr const char* kP18WrStuckText =
    "EEPROM-Schreibzyklus endet nicht (WR bleibt 1) – Versorgungsspannung und Verbindung prüfen.";
inline constexpr const char* kP18ProtectionLeftText =
    "Codeschutz nach dem Löschen noch gesetzt – VDD (mindestens 4,5 V bei 18Fxx2/18Fx220) und "
    "VPP prüfen.";

// What the configuration bytes say about protection (a bit protects when 0).
struct P18Protection {
    bool code = false;       // CPx or CPB: those blocks read as 0
    bool data = false;       // CPD: the data EEPROM reads as 0
    bool write = false;      // WRTx, WRTB, WRTC or WRTD
    bool tableRead = false;  // EBTRx or EBTRB (run-time table reads only)
    bool any() const { return code || data || write || tableRead; }
};
P18Protection p18Protection(const P18Device& d, const P18ConfigBytes& config);

struct P18Detection {
    // NoChip: the ID read all ones or all zeros; WrongType: an ID no row knows.
    Outcome outcome = Outcome::Ok;
    std::uint16_t idWord = 0xFFFF;
    const P18Device* device = nullptr;
    int revision = 0;
    P18ConfigBytes config{};  // as read (unimplemented bits read 0)
    P18Protection protection;
};

// "kein PIC erkannt: Device-ID 0xFFFF, alle Bits 1. ..." for a detection that found nothing.
std::string p18NoChipMessage(std::uint16_t idWord);
// "Falscher PIC-Typ ausgewählt: im Sockel steckt ein 18F452, gewählt ist 18F4550."
std::string p18WrongTypeMessage(const P18Detection& found, const P18Device& selected);
// "Adresse 0x300008" / "EEPROM 0x05": a byte address as panel 0 shows it.
std::string p18AddressText(std::uint32_t address);
// The message box text for a byte that failed: what, where, both bytes, and
// what to check ("Programmbyte nicht gebrannt! Adresse 0x000123: 0x00
// geschrieben, 0xFF gelesen. ...").
std::string p18FailureMessage(const WordFailure& f);
// The warning after a read whose two passes differed in `bytes` bytes.
std::string p18UnstableReadMessage(std::int32_t bytes);

struct P18BurnOptions {
    // Burn the image's EEPROM bytes. Otherwise the chip's EEPROM is read twice
    // before the bulk erase (which clears it) and written back after.
    bool includeData = true;
};

// How the detection reads the device ID.
enum class P18IdRead {
    // A PIC18F was named: the frames its programming data sheet shows.
    PartNamed,
    // No type was given and the socket may hold a chip of any supported
    // family: frames in which a 14-bit chip finds nothing but loads and
    // increments (readDeviceIdAnyFamily).
    AnyFamily,
};

class P18Ops {
  public:
    P18Ops(ProgrammerLink& link, Clock& clock, const ProgrammerSettings& settings,
           ErrorCounters& errors, Reporter& report)
        : link_(link), clock_(clock), settings_(settings), errors_(errors), report_(report) {}

    // ---- Commands -------------------------------------------------------------
    // One bracket: device ID and configuration bytes (these only from a chip
    // whose ID names a part). Shows the revision in panel 0 and the
    // protection with showCodeProtection.
    P18Detection detect(P18IdRead how = P18IdRead::PartNamed);
    // Bulk erase; program memory in buffer rows (rows the image leaves empty
    // are skipped), each read back; the IDs; the EEPROM byte by byte, each read
    // back; the configuration bytes last, CONFIG6H (WRTC) after all others,
    // each read back under its mask. Stops at the first area that fails.
    // ReadBack holds what was read back.
    CommandResult burn(const P18Device& d, ByteImage& image, const P18BurnOptions& options = {});
    // Reads every byte the image gives (configuration under the mask; EEPROM
    // with includeData) into ReadBack and counts the differences.
    CommandResult verify(const P18Device& d, ByteImage& image, bool includeData = true);
    // The whole chip twice; the first pass into ReadBack, bytes that differ
    // counted per area as unstable (Failed, with the warning).
    CommandResult read(const P18Device& d, ByteImage& image);
    // The chip erase, then a blank check of everything it clears.
    CommandResult erase(const P18Device& d);
    // The chip erase is the only way to lift protection; the blank check then
    // also asks every protection bit to read 1.
    CommandResult unprotect(const P18Device& d);

    // ---- Cycle waits in the chosen timing ------------------------------------
    // Data sheet: the chip's time and 1 %; classic: twice the chip's time.
    std::chrono::nanoseconds wait(std::chrono::microseconds chipTime) const;
    p18::Hold programmingHold(const P18Device& d) const;
    static constexpr int kDataSheetMarginPercent = 1;
    static constexpr int kClassicFactor = 2;

    // The circuit's VPP may go to the part: its range holds it, or the user
    // accepted it (asked once per part while the program runs).
    bool vppAllowed(const P18Device& d);
    std::set<std::string_view> vppAccepted;

  private:
    class Bracket;

    // Command frame: counters cleared, VPP and chip checked. Ok to go on.
    // With `session`, programming mode is entered once the VPP may go on and
    // held there for the whole command, until finish() with it ends the stay.
    Outcome begin(const P18Device& d, CommandResult& r,
                  std::unique_ptr<Bracket>* session = nullptr);
    void finish(CommandResult& r, std::unique_ptr<Bracket>* session = nullptr);

    // Routines inside a bracket.
    std::uint16_t readDeviceId();
    std::uint16_t readDeviceIdAnyFamily();
    std::vector<std::uint8_t> readBytes(std::uint32_t address, std::uint32_t n);
    std::vector<std::uint8_t> readProgram(const P18Device& d);
    void bulkErase(const P18Device& d, std::uint16_t code);
    void selectSinglePanel(const P18Device& d);
    void writeBuffer(const P18Device& d, std::uint32_t address,
                     const std::vector<std::uint8_t>& bytes);
    bool writeEepromByte(const P18Device& d, std::uint32_t n, std::uint8_t value);
    std::uint8_t readEepromByte(std::uint32_t n);
    std::vector<std::uint8_t> readEeprom(const P18Device& d);
    void writeConfigByte(const P18Device& d, int index, std::uint8_t value);

    // Steps of the commands, each in its own bracket; false after a failure.
    bool burnProgram(const P18Device& d, ByteImage& image);
    bool burnIds(const P18Device& d, ByteImage& image);
    bool burnEeprom(const P18Device& d, ByteImage& image, const std::vector<std::uint16_t>& bytes);
    bool burnConfig(const P18Device& d, ByteImage& image);
    // Everything the chip erase clears reads blank (configuration bytes: their
    // erased values); counts and keeps what does not, names the first.
    std::int32_t blankCheck(const P18Device& d, bool unprotecting);
    // Type check, chip erase and blank check shared by erase and unprotect;
    // true when the chip reads blank.
    bool eraseChecked(const P18Device& d, CommandResult& r, bool unprotecting,
                      std::unique_ptr<Bracket>& session);
    // Everything the chip holds, in the image's array layout.
    std::vector<std::uint16_t> readAll(const P18Device& d);

    // Counts and records a failed byte; `show`: its message box now.
    void fail(Area area, std::uint32_t address, std::uint8_t wanted, std::uint8_t read,
              WordFailure::Check check, bool show);
    void progress(double done, double total);
    void gaugeDone();

    ProgrammerLink& link_;
    Clock& clock_;
    const ProgrammerSettings& settings_;
    ErrorCounters& errors_;
    Reporter& report_;
    RunGaugeState gauge_;
    int brackets_ = 0;  // brackets open, one inside the other
    std::chrono::nanoseconds runStart_{0};
};

}  // namespace pk
