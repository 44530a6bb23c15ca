#pragma once
// What the viewers show of a file a family loaded (ChipFamily::loadFile): the
// assembler listing and the memory map. Each family has its views in
// viewers/families, found by the part's family.

#include <string>

#include "device/family.h"
#include "viewers/memory_map.h"

namespace pk {

class PartViews {
  public:
    virtual ~PartViews() = default;
    // The listing, headed by `heading` (the file's name).
    virtual std::string listing(const FileImages& f, const Part& part,
                                const std::string& heading) const = 0;
    // The map as one picture.
    virtual RgbPicture mapSheet(const FileImages& f, const Part& part) const = 0;
    // The map as the map window shows it: four program pictures and the EEPROM.
    virtual MemoryMap windowMap(const FileImages& f, const Part& part) const = 0;
};

const PartViews& midrange14Views();
const PartViews& pic18Views();
const PartViews& baselineViews();

// The views of the part's family.
const PartViews& viewsOf(const Part& part);

}  // namespace pk
