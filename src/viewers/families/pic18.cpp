// The PIC18F family's listing and map, of the byte image its commands share.

#include "viewers/p18_listing.h"
#include "viewers/p18_memory_map.h"
#include "viewers/part_views.h"

namespace pk {

namespace {

class Pic18Views final : public PartViews {
  public:
    std::string listing(const FileImages& f, const Part& /*part*/,
                        const std::string& heading) const override {
        ByteImage image = f.bytes;
        image.HexFileName = heading;
        return p18Listing(image);
    }
    RgbPicture mapSheet(const FileImages& f, const Part& part) const override {
        return p18MemoryMapSheet(
            computeP18MemoryMap(f.bytes, kP18Devices[static_cast<std::size_t>(part.row)]));
    }
    // Eight 8 KB pages, two to each of the four pictures (16 KB each); the
    // EEPROM picture has the 14-bit one's size.
    MemoryMap windowMap(const FileImages& f, const Part& part) const override {
        const P18MemoryMap map =
            computeP18MemoryMap(f.bytes, kP18Devices[static_cast<std::size_t>(part.row)]);
        MemoryMap shown;
        for (std::size_t p = 0; p < shown.pages.size(); ++p) {
            RgbPicture both(P18MemoryMap::PageWidth, 2 * P18MemoryMap::PageHeight);
            both.paste(map.pages[2 * p], 0, 0);
            both.paste(map.pages[2 * p + 1], 0, P18MemoryMap::PageHeight);
            shown.pages[p] = std::move(both);
        }
        shown.eeprom = map.eeprom;
        shown.programCaption = map.programCaption;
        shown.eepromCaption = map.eepromCaption;
        shown.typeLabel = map.typeLabel;
        shown.configLabel = map.configLabel;
        return shown;
    }
};

}  // namespace

const PartViews& pic18Views() {
    static const Pic18Views views;
    return views;
}

}  // namespace pk
