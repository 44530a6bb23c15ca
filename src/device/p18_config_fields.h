#pragma once
// The PIC18F configuration bytes as named fields, so that a user edits
// "FOSC = HSPLL" instead of bit 1 of 0x300001. Which fields a part has is data
// (p18_config_fields.cpp), shared by the parts of a family where their bits
// agree; what a field is erased to comes from the part's configErased.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/p18_catalogue.h"

namespace pk {

enum class P18FieldGroup { Takt, Reset, Peripherie, Schutz };

// "Takt", "Reset/Überwachung", "Peripherie", "Schutz".
std::string_view p18GroupLabel(P18FieldGroup g);

struct P18FieldValue {
    std::uint8_t raw;  // the field's bits, shifted down to bit 0
    std::string_view name;
};

struct P18ConfigField {
    int byte = 0;                  // 0..13: the byte at 0x300000 + byte
    std::uint8_t mask = 0;         // contiguous bits within that byte
    std::string_view name;         // as the data sheets write it: "FOSC", "WDTPS", "CP0"
    std::string_view description;  // German: "Oszillator"
    P18FieldGroup group = P18FieldGroup::Takt;
    // The values with a meaning; any other raw value is reserved.
    std::span<const P18FieldValue> values;

    constexpr int shift() const {
        int s = 0;
        while (s < 8 && ((mask >> s) & 1) == 0) {
            ++s;
        }
        return s;
    }
    // The largest raw value the field holds (1 for a single bit).
    constexpr std::uint8_t maxRaw() const { return static_cast<std::uint8_t>(mask >> shift()); }
};

// The part's fields in address order; empty for a part without a list.
std::span<const P18ConfigField> p18ConfigFields(const P18Device& d);
// The field of that name ("FOSC"), case-sensitive; nullptr if the part has none.
const P18ConfigField* p18FindField(const P18Device& d, std::string_view name);

// The field's raw value in fourteen configuration bytes.
std::uint8_t p18FieldValue(const P18ConfigField& f, const P18ConfigBytes& bytes);
// Puts a raw value into the field; bits outside it stay as they were. Bits of
// `raw` above the field are dropped.
void p18SetFieldValue(const P18ConfigField& f, P18ConfigBytes& bytes, std::uint8_t raw);

// The value's entry in the field's table; nullptr for a reserved value.
const P18FieldValue* p18FindValue(const P18ConfigField& f, std::uint8_t raw);
// The German name of a raw value; "reserviert (0x5)" where it has none.
std::string p18ValueName(const P18ConfigField& f, std::uint8_t raw);
// The German name of the value the field has in `bytes`.
std::string p18ValueName(const P18ConfigField& f, const P18ConfigBytes& bytes);

// What a bulk erase leaves in the field.
std::uint8_t p18FieldErased(const P18Device& d, const P18ConfigField& f);

}  // namespace pk
