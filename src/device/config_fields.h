#pragma once
// Configuration words and bytes as named fields, so that a user edits
// "FOSC = HSPLL" instead of bit 1 of 0x300001. A part's configuration is a row
// of cells (bytes on the byte-addressed parts, words on the others); a field is
// contiguous bits of one cell. Which fields a part has is its family's data.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pk {

enum class FieldGroup { Takt, Reset, Peripherie, Schutz };

// "Takt", "Reset/Überwachung", "Peripherie", "Schutz".
std::string_view groupLabel(FieldGroup g);

struct FieldValue {
    std::uint16_t raw;  // the field's bits, shifted down to bit 0
    std::string_view name;
};

struct ConfigField {
    int cell = 0;                  // which configuration cell, from 0
    std::uint16_t mask = 0;        // contiguous bits within that cell
    std::string_view name;         // as the data sheets write it: "FOSC", "WDTPS", "CP0"
    std::string_view description;  // German: "Oszillator"
    FieldGroup group = FieldGroup::Takt;
    // The values with a meaning; any other raw value is reserved.
    std::span<const FieldValue> values;

    constexpr int shift() const {
        int s = 0;
        while (s < 16 && ((mask >> s) & 1) == 0) {
            ++s;
        }
        return s;
    }
    // The largest raw value the field holds (1 for a single bit).
    constexpr std::uint16_t maxRaw() const { return static_cast<std::uint16_t>(mask >> shift()); }
};

// The field's raw value in the cells.
std::uint16_t fieldValue(const ConfigField& f, std::span<const std::uint16_t> cells);
// Puts a raw value into the field; bits outside it stay as they were. Bits of
// `raw` above the field are dropped.
void setFieldValue(const ConfigField& f, std::span<std::uint16_t> cells, std::uint16_t raw);

// The value's entry in the field's table; nullptr for a reserved value.
const FieldValue* findValue(const ConfigField& f, std::uint16_t raw);
// The German name of a raw value; "reserviert (0x5)" where it has none.
std::string valueName(const ConfigField& f, std::uint16_t raw);

}  // namespace pk
