#pragma once
// One programming interface per chip family. Every catalogue row belongs to a
// family, and the family does everything that differs between protocols:
// identifying a chip, burning, comparing, reading, erasing and removing the
// protection, and telling a front end what the part is made of. The command
// layer (checks, counters, detection without a type) is written once over it,
// and the window and pkorvel-cli ask the part instead of its family.
//
// A new family is a folder under device/families with its rows and one
// ChipFamily, listed in chipFamilies().

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "device/commands_p18.h"
#include "device/config_fields.h"
#include "device/gauges.h"
#include "device/hex_check.h"
#include "device/part.h"
#include "image/hex_file.h"

namespace pk {

// The images the families load files into and read chips into: the 14-bit
// families' words, the byte-addressed families' bytes.
struct FileImages {
    MemoryImage& words;
    DeviceState& device;
    ByteImage& bytes;
};

// What every command works with: the link and the reporter, and each
// family's own routines over them.
class Session {
  public:
    Session(ProgrammerLink& link, Clock& clock, MemoryImage& image, DeviceState& device,
            const ProgrammerSettings& settings, ErrorCounters& errors, Reporter& report)
        : chip(link, clock, image, device, settings, errors, report), byteChip(chip) {}

    Reporter& report() { return chip.report; }
    FileImages files() { return {chip.ops.image(), chip.ops.device(), byteChip.image}; }

    ChipSession chip;
    P18Session byteChip;
};

enum class Command { Burn, Verify, Read, Erase, Unprotect };

// A configuration value given instead of the file's, at the place the part's
// HEX files give it (a word at 0x2007, a byte at 0x300000 + n).
struct ConfigSetting {
    std::uint32_t address = 0;
    std::uint16_t value = 0;
    // Written as a whole word (pkorvel-cli --config=0xNNNN, --config2), not as
    // ADDRESS:VALUE.
    bool wholeWord = false;
};

struct CommandOptions {
    std::string path;                 // the HEX file a burn or compare takes
    bool includeData = true;          // "incl. DataEEProm"
    bool acceptDoubtfulFile = false;  // pkorvel-cli --force
    std::vector<ConfigSetting> config;
    // Configuration words not given: the file's through the front end's controls.
    ConfigRule configRule;
    // The ID values instead of the file's, one per ID cell (absent: bit 15 set).
    std::optional<std::vector<std::int32_t>> ids;
    // The front end's last word on a chip found by detection, before the
    // command runs on it (options meant for another family); false: Cancelled.
    std::function<bool(const Part&)> partAccepted;
};

// What a front end may be given for a part besides the file.
struct OptionForms {
    bool configWords = false;  // whole configuration words (--config=0xNNNN, --config2)
    bool configBytes = false;  // configuration bytes by address (--config=ADDRESS:VALUE)
    bool idValues = false;     // four ID values (--id); otherwise ID bytes
};

// The cells a part's configuration fields are bits of.
struct ConfigCells {
    std::vector<std::uint32_t> address;  // where a ConfigSetting puts each cell
    std::vector<std::uint16_t> erased;   // what an erase leaves in it
    std::vector<std::uint16_t> mask;     // the bits the part has; 0: no such cell
};

// "Flash-ROM:" and "EEPROM:" of a part, as the window's labels show them.
struct SizeLabels {
    std::string program;
    std::string eeprom;
};

// A value a detection reports for JSON: a number, a flag, a text, or named values.
using ReportScalar = std::variant<std::int64_t, bool, std::string>;
using ReportTable = std::vector<std::pair<std::string, ReportScalar>>;
using ReportList = std::vector<std::string>;
struct ReportValue {
    std::string key;
    std::variant<std::int64_t, bool, std::string, ReportTable, ReportList> value;
};

// A row as the type list (pkorvel-cli types) describes it.
struct RowReport {
    std::string heading;                                     // "16F84/84A  (--type 16f84, 16f84a)"
    std::vector<std::pair<std::string, std::string>> lines;  // {"Device-ID", "0x0560"}
    std::vector<ReportValue> values;                         // the same for JSON
};

// What identifying the chip in the socket found.
struct Identification {
    // NoChip (nothing answered), WrongType (an unknown device ID, or another chip
    // than the one expected), Cancelled (the VPP was refused; nothing applied).
    Outcome outcome = Outcome::Ok;
    std::optional<Part> part;  // the chip found
    // What a front end lists, line by line ("Typ: 16F628A", "Device-ID: 0x1066").
    std::vector<std::string> lines;
    std::vector<ReportValue> values;  // the same for JSON
    std::string message;              // a message box after the lines, or ""
    // Said after a detection without a type that found the part by asking its
    // family first; "" where there is nothing to add.
    std::string typeHint;
    // Status-bar panel 1 after a detection in the window; "" leaves it alone.
    std::string notice;
};

class ChipFamily {
  public:
    virtual ~ChipFamily() = default;

    // ---- The rows ----
    virtual std::int32_t partCount() const = 0;
    // The type list's text ("16F628A", "18F4550").
    virtual std::string listText(std::int32_t row) const = 0;
    // The names --type takes, lower case ("16f84", "16f84a").
    virtual std::vector<std::string> typeNames(std::int32_t row) const = 0;
    // The part a --type name chooses, or nullopt.
    virtual std::optional<Part> partByName(std::string_view lowerName) const = 0;
    virtual VppRange vpp(std::int32_t row) const = 0;
    // The row for the type list, and the JSON key its family's rows are listed
    // under (scripts read "types" for the first family's).
    virtual RowReport describeRow(std::int32_t row) const = 0;
    virtual std::string_view reportKey() const = 0;

    // ---- What a front end asks of a part ----
    virtual OptionForms optionForms() const = 0;
    // Why a configuration value does not fit the part, or nullopt.
    virtual std::optional<std::string> configRefusal(const Part& part,
                                                     const ConfigSetting& setting) const = 0;
    // The configuration as named fields; empty where the front end's own
    // controls show the part's words.
    virtual std::span<const ConfigField> configFields(std::int32_t row) const = 0;
    // The cells of those fields (parts with fields only).
    virtual ConfigCells configCells(std::int32_t /*row*/) const { return {}; }
    // The cells the loaded file gives; nullopt for a cell it does not give.
    virtual std::vector<std::optional<std::uint16_t>> fileConfig(const FileImages& /*images*/,
                                                                 const Part& /*part*/) const {
        return {};
    }
    // The sizes for the labels (parts with fields only).
    virtual SizeLabels sizeLabels(std::int32_t /*row*/) const { return {}; }

    // ---- Commands ----
    // A detection without a type asks the families that answer this first, in
    // frames every supported chip takes safely; the family that does not
    // detects by itself in its own commands, last.
    virtual bool asksFirst() const = 0;
    // Whether a chip of the family can be recognised at all; one that cannot
    // (no device ID) is only ever used by name.
    virtual bool recognisable() const { return true; }
    // What a detection that found nothing says of such a family's parts.
    virtual std::string unrecognisedHint() const { return {}; }
    // Whether a chip of this family is in the socket (asksFirst only): Ok with
    // the part, NoChip when none answered, WrongType for an unknown device ID
    // (after its message), Cancelled when the VPP was refused.
    virtual Identification probe(Session& s) const;
    // Detection and what the chip tells of itself. expected: the chip the user
    // named, entered in its own order; nullptr: whatever is in the socket.
    virtual Identification identify(Session& s, const Part* expected) const = 0;
    // A command for the part; nullptr (a family that does not ask first): the
    // chip in the socket, detected by the command itself.
    virtual CommandResult run(Session& s, Command c, const Part* part,
                              const CommandOptions& options) const = 0;
    // What the last read of the part got, as a HEX file to save.
    virtual std::string readBackHex(Session& s, const Part& part) const = 0;
    // An address and a value of the part's memories as the messages write them.
    virtual std::string addressText(std::uint32_t address) const = 0;
    virtual std::string valueText(std::uint16_t value) const = 0;

    // ---- Files without a chip ----
    // Reads a HEX file for the part into the family's image, without a word to
    // the user: whether it opened and how far it parsed.
    virtual HexLoadResult readFile(FileImages& images, const Part& part,
                                   const std::string& path) const = 0;
    // Whether the loaded file gives data-EEPROM bytes for the part.
    virtual bool fileHasData(const FileImages& images, const Part& part) const = 0;
    // A front end chose the part: what the last read of another part brought
    // back is not saved in this part's layout.
    virtual void choose(Session& /*s*/, const Part& /*part*/) const {}
    // Loads a HEX file for the part into the family's image, for the viewers;
    // Ok, or FileUnusable after its message.
    virtual Outcome loadFile(FileImages& images, Reporter& report, const Part& part,
                             const std::string& path) const = 0;
    // What is wrong with a file's text for the part (pkorvel-cli check); name
    // for the messages.
    virtual HexCheckResult checkFile(const Part& part, const std::string& text,
                                     const std::string& name) const = 0;
    // How full the loaded file makes the part's program memory and data EEPROM
    // (the window's usage gauges).
    struct Usage {
        GaugeReading program;
        GaugeReading data;
    };
    virtual Usage usage(const FileImages& images, const Part& part) const = 0;
};

// The families, in the order of the type list.
std::span<const ChipFamily* const> chipFamilies();

// Every part in type-list order, and a part's place in it.
std::vector<Part> allParts();
std::optional<Part> partAt(std::int32_t listIndex);
std::int32_t listIndexOf(const Part& part);
// The part a --type name chooses (any case), or nullopt.
std::optional<Part> findPart(std::string_view name);
// Every name --type takes, ", " between them: for messages.
std::string allPartNames();

// The command for the part, or without one for the chip in the socket: the
// file's form is checked, then the families that ask first are asked in turn,
// and the command goes to the one whose chip answered, or else to the family
// that detects by itself.
CommandResult runCommand(Session& s, Command c, const std::optional<Part>& part,
                         const CommandOptions& options);

// "Autodetect": identify for the part, or without one the families in turn
// as runCommand asks them.
Identification identifyChip(Session& s, const std::optional<Part>& part);

}  // namespace pk
