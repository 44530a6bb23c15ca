#pragma once
// The PIC18F configuration bytes as named fields, so that a user edits
// "FOSC = HSPLL" instead of bit 1 of 0x300001. Which fields a part has is data
// (p18_config_fields.cpp), shared by the parts of a family where their bits
// agree; what a field is erased to comes from the part's configErased.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/config_fields.h"
#include "device/p18_catalogue.h"

namespace pk {

// The PIC18F fields are the general ones; their cells are the fourteen bytes
// from 0x300000.
using P18FieldGroup = FieldGroup;
using P18FieldValue = FieldValue;
using P18ConfigField = ConfigField;

// The part's fields in address order; empty for a part without a list.
std::span<const P18ConfigField> p18ConfigFields(const P18Device& d);
// The field of that name ("FOSC"), case-sensitive; nullptr if the part has none.
const P18ConfigField* p18FindField(const P18Device& d, std::string_view name);

// The field's raw value in fourteen configuration bytes.
std::uint8_t p18FieldValue(const P18ConfigField& f, const P18ConfigBytes& bytes);
// Puts a raw value into the field; bits outside it stay as they were. Bits of
// `raw` above the field are dropped.
void p18SetFieldValue(const P18ConfigField& f, P18ConfigBytes& bytes, std::uint8_t raw);

// The German name of the value the field has in `bytes`.
std::string p18ValueName(const P18ConfigField& f, const P18ConfigBytes& bytes);

// What a bulk erase leaves in the field.
std::uint8_t p18FieldErased(const P18Device& d, const P18ConfigField& f);

}  // namespace pk
