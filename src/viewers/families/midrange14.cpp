// The 14-bit family's listing and map, of the word image its commands share.

#include "viewers/part_views.h"
#include "viewers/reassembler.h"

namespace pk {

namespace {

class Midrange14Views final : public PartViews {
  public:
    std::string listing(const FileImages& f, const Part& /*part*/,
                        const std::string& heading) const override {
        MemoryImage image = f.words;
        image.HexFileName = heading;
        return reassemble(image, f.device.ProgLastAddr);
    }
    RgbPicture mapSheet(const FileImages& f, const Part& /*part*/) const override {
        return memoryMapSheet(computeMemoryMap(f.words, f.device));
    }
    MemoryMap windowMap(const FileImages& f, const Part& /*part*/) const override {
        return computeMemoryMap(f.words, f.device);
    }
};

}  // namespace

const PartViews& midrange14Views() {
    static const Midrange14Views views;
    return views;
}

}  // namespace pk
