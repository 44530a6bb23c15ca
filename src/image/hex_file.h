#pragma once
// Intel HEX files as PIC16 assemblers write them: 16-bit byte addresses, every chip
// word two bytes (low byte first) at byte address = 2 x word address.
//
// The reader fills MemoryImage::HexWords; the writer turns MemoryImage::ReadBack into
// a file. Both work on text in memory or on streams, so tests and the fuzzer can feed
// them bytes without touching the disk.

#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "image/byte_regions.h"
#include "image/memory_image.h"

namespace pk {

using WordArray = std::array<std::uint16_t, MemoryImage::Size>;

// Value of one hex digit, upper or lower case; -1 for any other character.
int HexDigitValue(char c);

// Reads the hex fields of one line, left to right, starting after the record mark.
// The first problem (line too short, a character that is no hex digit) is kept and
// every later read fails as well.
class HexLineReader {
  public:
    enum class Problem { None, ShortLine, BadDigit };

    explicit HexLineReader(std::string_view line) : line_(line) {}

    // Two digits, most significant first: 0..255.
    std::optional<std::uint16_t> ReadHexByte();
    // Two bytes, low byte first: 0..0xFFFF.
    std::optional<std::uint16_t> ReadHexWord();

    Problem problem() const { return problem_; }
    // Column (1-based) of the offending character, or of the end of the line.
    std::size_t problemColumn() const { return problemColumn_; }
    char badCharacter() const { return badCharacter_; }

  private:
    std::string_view line_;
    std::size_t pos_ = 1;  // column 0 is the record mark ':', which is not checked
    Problem problem_ = Problem::None;
    std::size_t problemColumn_ = 0;
    char badCharacter_ = 0;
};

// How a parse ended. On a problem the words stored before it stay in the array.
// BadChecksum, BadRecord and NoEndRecord come only from the reader of byte-addressed
// chips; the 14-bit reader never looks at checksums and takes a file without end.
struct HexReadResult {
    enum class Status {
        Ok,
        BadDigit,
        ShortLine,
        AddressRange,
        ReadError,
        BadChecksum,
        BadRecord,
        NoEndRecord
    };
    Status status = Status::Ok;
    int line = 0;              // 1-based line of the problem (0 when Ok)
    std::size_t column = 0;    // 1-based column of a bad digit / the end of a short line
    char badCharacter = 0;     // for BadDigit
    int wordAddress = 0;       // for AddressRange: the word address that did not fit
    bool endRecord = false;    // the type-1 record was met (otherwise the text just ended)
    int wordsStored = 0;       // data words stored, repeats counted
    std::string systemReason;  // for ReadError: the system's text
    int checksumGiven = 0;     // for BadChecksum: the checksum the line gives
    int checksumWanted = 0;    // and the one its other bytes call for
    int recordType = 0;        // for BadRecord: the record's type
    int recordCount = 0;       // and its number of data bytes
    // For AddressRange on a byte-addressed chip: the first byte the chip does not
    // have, and the chip's areas, to say where it lies.
    std::uint64_t byteAddress = 0;
    std::optional<ByteRegions> byteRegions;

    bool ok() const { return status == Status::Ok; }
};

// What the parser meets, for a tool that explains a file (pkorvel-cli check). Line
// numbers are 1-based and count empty lines; texts are the line as parsed.
class HexReadEvents {
  public:
    virtual ~HexReadEvents() = default;
    // Every non-empty line the parser reads.
    virtual void line(int /*line*/, std::string_view /*text*/) {}
    // A record whose header (count, address, type) could be read.
    virtual void record(int /*line*/, std::string_view /*text*/, int /*count*/, int /*byteAddress*/,
                        int /*type*/) {}
    // A data word about to be stored, as the file gives it (before the 14-bit mask).
    virtual void word(int /*line*/, int /*wordAddress*/, std::uint16_t /*value*/) {}
    // A record other than the end record read to its last field the parser uses.
    virtual void recordDone(int /*line*/, std::string_view /*text*/) {}
    // The first non-empty line after the end record, which is never parsed.
    virtual void textAfterEnd(int /*line*/) {}
};

// The record parser. Stores every data word, masked to 14 bits, into `words` at its
// word address; skips records of other types; stops after the end record, at the end
// of the text, or at the first problem. Lines end in LF or CR LF; empty lines are
// skipped; the checksum is not checked. `words` is not cleared first.
HexReadResult OpenHexfile(std::string_view text, WordArray& words, HexReadEvents* events = nullptr);
HexReadResult OpenHexfile(std::istream& in, WordArray& words);

// The German description of a parse problem for a message box, naming file, line and
// problem. Empty for a successful parse.
std::string HexReadMessage(const std::string& fileName, const HexReadResult& result);

// Loading a file into the image, without any window: open; when that fails HexLoaded
// becomes false and nothing else changes. Otherwise HexWords is cleared, HexLoaded
// becomes true and the file is parsed.
struct HexLoadResult {
    bool opened = false;
    HexReadResult parse;
    bool complete() const { return opened && parse.ok(); }
};
HexLoadResult LoadHexFile(const std::string& path, MemoryImage& image);

// ---- Writer ----

// Two upper-case hex digits of v (0..255), most significant first.
std::string ByteToHex(unsigned v);

// Appends the data records for words first..last (inclusive, word addresses) to
// `out`. Blank words (all bits of the area mask set: 0x3FFF below 0x2100, 0xFF from
// there on) are left out; a record holds at most 8 words and never crosses an 8-word
// boundary. Lines end in CR LF.
void WriteHexRange(std::string& out, const WordArray& words, int first, int last);

// The whole file for a chip read: program memory 0..progLastAddr, the ID locations
// and the reserved words 0x2000..0x2006, the configuration word 0x2007, the data
// EEPROM 0x2100..0x21FF, then the end record.
std::string BuildHexFile(const WordArray& readBack, int progLastAddr);

}  // namespace pk
