#include "image/byte_image.h"

#include <algorithm>

#include "image/memory_image.h"

namespace pk {

ByteImage::ByteImage(const ByteRegions& regions)
    : HexBytes(regions.totalBytes(), AbsentByte),
      ReadBack(regions.totalBytes(), AbsentByte),
      regions_(regions.bounded()) {}

void ByteImage::clear() {
    std::fill(HexBytes.begin(), HexBytes.end(), AbsentByte);
}

std::uint16_t ByteImage::hexByte(std::uint64_t address) const {
    const auto i = regions_.indexOf(address);
    return i && *i < HexBytes.size() ? HexBytes[*i] : AbsentByte;
}

bool ByteImage::present(std::uint64_t address) const {
    return pk::present(hexByte(address));
}

std::span<std::uint16_t> ByteImage::area(Bytes& bytes, ByteArea which) const {
    const ByteAreaPlace p = regions_.place(which);
    const std::size_t first = std::min(p.first, bytes.size());
    return std::span<std::uint16_t>(bytes).subspan(
        first, std::min<std::size_t>(p.size, bytes.size() - first));
}

std::span<const std::uint16_t> ByteImage::area(const Bytes& bytes, ByteArea which) const {
    const ByteAreaPlace p = regions_.place(which);
    const std::size_t first = std::min(p.first, bytes.size());
    return std::span<const std::uint16_t>(bytes).subspan(
        first, std::min<std::size_t>(p.size, bytes.size() - first));
}

}  // namespace pk
