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
};

}  // namespace

const PartViews& pic18Views() {
    static const Pic18Views views;
    return views;
}

}  // namespace pk
