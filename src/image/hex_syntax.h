#pragma once
// The form of an Intel HEX file, whatever chip it is for: every line a record with
// its mark, hex digits, the length its count asks for and a checksum that adds up,
// at least one data record, an end record. The readers themselves stay lenient
// where old files need it; this check decides whether a file may reach a chip.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pk {

// Larger than any PIC's file by far (a 128 KB PIC18F gives about 360 KB of text):
// anything bigger is no program for a chip.
inline constexpr std::size_t kMaxHexFileBytes = 4 * 1024 * 1024;

struct HexSyntaxFinding {
    enum class Kind {
        Refuse,  // the file cannot be burnt as it stands
        Doubt,   // it can be read, but it may not be what was written (a checksum)
        Warn,    // loaded as it stands, but not as the format wants it
        Note,    // loaded as it stands; merely unusual
    };
    int line = 0;  // 1-based; 0 for the file as a whole
    Kind kind = Kind::Warn;
    std::string text;
};

struct HexSyntax {
    std::vector<HexSyntaxFinding> findings;  // in line order, the file-wide ones last
    int dataRecords = 0;                     // type-00 records with at least one byte
    bool endRecord = false;

    // The first finding of this kind, or nullptr.
    const HexSyntaxFinding* first(HexSyntaxFinding::Kind kind) const;
};

HexSyntax scanHexSyntax(std::string_view text);

// "ungültiges Zeichen "G"", or "… mit dem Code 7" for a character that cannot be shown.
std::string describeHexCharacter(char c);

}  // namespace pk
