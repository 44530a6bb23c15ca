// The baseline family's listing and map, of the byte image its file loads
// into: words as two bytes, low byte first.

#include "device/families/baseline/rows.h"
#include "viewers/baseline_listing.h"
#include "viewers/part_views.h"

namespace pk {

namespace {

constexpr std::uint16_t kAbsent = 0xFFFF;

std::uint16_t wordAt(const ByteImage& image, std::uint32_t word) {
    const std::uint16_t lo = image.hexByte(2u * word);
    const std::uint16_t hi = image.hexByte(2u * word + 1);
    if (lo == ByteImage::AbsentByte || hi == ByteImage::AbsentByte) {
        return kAbsent;
    }
    return static_cast<std::uint16_t>((lo | hi << 8) & baseline::kWordMask);
}

const BaselineDevice& rowOf(const Part& part) {
    return baselineDevices()[static_cast<std::size_t>(part.row)];
}

// The file as the word map draws it: program words, data bytes, the
// configuration word in the 14-bit places.
MemoryMap map(const FileImages& f, const Part& part) {
    const BaselineDevice& d = rowOf(part);
    MemoryImage words;
    words.clear();
    words.HexFileName = f.bytes.HexFileName;
    for (std::uint32_t a = 0; a < d.programWords; ++a) {
        words.HexWords[a] = wordAt(f.bytes, a);
    }
    for (std::uint32_t n = 0; n < d.dataWords; ++n) {
        const std::uint16_t w = wordAt(f.bytes, baseline::kDataAddress + n);
        words.HexWords[MemoryImage::EepromBase + n] =
            w == kAbsent ? kAbsent : static_cast<std::uint16_t>(w & 0xFF);
    }
    words.HexWords[MemoryImage::ConfigAddr] = wordAt(f.bytes, baseline::kHexConfigWord);
    DeviceState device;
    device.ProgLastAddr = d.programWords - 1;
    device.DataLastAddr = d.dataWords - 1;
    MemoryMap m = computeMemoryMap(words, device);
    m.typeLabel = std::string(d.name);
    return m;
}

class BaselineViews final : public PartViews {
  public:
    std::string listing(const FileImages& f, const Part& part,
                        const std::string& heading) const override {
        const BaselineDevice& d = rowOf(part);
        std::vector<std::uint16_t> program(d.programWords);
        for (std::uint32_t a = 0; a < d.programWords; ++a) {
            program[a] = wordAt(f.bytes, a);
        }
        std::vector<std::uint16_t> ids(baseline::kIdWords);
        for (std::uint32_t n = 0; n < ids.size(); ++n) {
            ids[n] = wordAt(f.bytes, d.idAddress + n);
        }
        const std::uint16_t config = wordAt(f.bytes, baseline::kHexConfigWord);
        return baselineListing(program, d.osccalAddress(), ids,
                               config == kAbsent ? std::nullopt : std::optional(config), heading);
    }
    RgbPicture mapSheet(const FileImages& f, const Part& part) const override {
        return memoryMapSheet(map(f, part));
    }
    MemoryMap windowMap(const FileImages& f, const Part& part) const override {
        return map(f, part);
    }
};

}  // namespace

const PartViews& baselineViews() {
    static const BaselineViews views;
    return views;
}

}  // namespace pk
