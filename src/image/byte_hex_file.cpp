#include "image/byte_hex_file.h"

#include <array>
#include <cstdint>

#include "image/hex_lines.h"

namespace pk {

namespace {

class ByteHexParser : public HexRecordParser {
  public:
    ByteHexParser(ByteImage& image, bool acceptBadChecksums)
        : image_(image), acceptBadChecksums_(acceptBadChecksums) {}

    HexReadResult done() {
        HexReadResult r = finish();
        if (r.ok() && !r.endRecord) {
            r.status = HexReadResult::Status::NoEndRecord;
            r.line = lineNo_ + 1;
        }
        return r;
    }

  private:
    void parseLine(std::string_view line) override {
        HexLineReader reader(line);
        const auto n = reader.ReadHexByte();
        const auto high = reader.ReadHexByte();
        const auto low = reader.ReadHexByte();
        const auto type = reader.ReadHexByte();
        if (!type) {
            readerProblem(reader);
            return;
        }
        std::array<std::uint8_t, 255> data{};
        unsigned sum = *n + *high + *low + *type;
        for (int i = 0; i < *n; ++i) {
            const auto b = reader.ReadHexByte();
            if (!b) {
                readerProblem(reader);
                return;
            }
            data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(*b);
            sum += *b;
        }
        const auto check = reader.ReadHexByte();
        if (!check) {
            readerProblem(reader);
            return;
        }
        if (((sum + *check) & 0xFF) != 0 && !acceptBadChecksums_) {
            result_.status = HexReadResult::Status::BadChecksum;
            result_.line = lineNo_;
            result_.column = 10 + 2 * static_cast<std::size_t>(*n);
            result_.checksumGiven = *check;
            result_.checksumWanted = static_cast<int>((0x100 - (sum & 0xFF)) & 0xFF);
            stopped_ = true;
            return;
        }
        switch (*type) {
            case 0:
                storeData(std::uint64_t{*high} * 256 + *low, data, *n);
                return;
            case 1:
                if (*n != 0) {
                    badRecord(*type, *n);
                    return;
                }
                endRecord();
                return;
            case 4:
                if (*n != 2) {
                    badRecord(*type, *n);
                    return;
                }
                upper_ = (std::uint64_t{data[0]} * 256 + data[1]) << 16;
                return;
            case 3:
            case 5:
                return;  // start addresses: nothing to burn
            default:
                badRecord(*type, *n);
                return;
        }
    }

    void storeData(std::uint64_t offset, const std::array<std::uint8_t, 255>& data, int n) {
        const ByteRegions& regions = image_.regions();
        for (int i = 0; i < n; ++i) {
            const std::uint64_t address = upper_ + offset + static_cast<std::uint64_t>(i);
            const auto index = regions.indexOf(address);
            if (!index || *index >= image_.HexBytes.size()) {
                result_.status = HexReadResult::Status::AddressRange;
                result_.line = lineNo_;
                result_.byteAddress = address;
                result_.byteRegions = regions;
                stopped_ = true;
                return;
            }
            image_.HexBytes[*index] = data[static_cast<std::size_t>(i)];
        }
    }

    void badRecord(int type, int count) {
        result_.status = HexReadResult::Status::BadRecord;
        result_.line = lineNo_;
        result_.recordType = type;
        result_.recordCount = count;
        stopped_ = true;
    }

    ByteImage& image_;
    bool acceptBadChecksums_;
    std::uint64_t upper_ = 0;  // from the last type-04 record; 0 until the first
};

void appendRecord(std::string& out, int type, std::uint32_t offset, const std::uint8_t* data,
                  int count) {
    unsigned sum = static_cast<unsigned>(count) + ((offset >> 8) & 0xFF) + (offset & 0xFF) +
                   static_cast<unsigned>(type);
    out += ':';
    out += ByteToHex(static_cast<unsigned>(count));
    out += ByteToHex((offset >> 8) & 0xFF);
    out += ByteToHex(offset & 0xFF);
    out += ByteToHex(static_cast<unsigned>(type));
    for (int k = 0; k < count; ++k) {
        out += ByteToHex(data[k]);
        sum += data[k];
    }
    out += ByteToHex((0x100 - (sum & 0xFF)) & 0xFF);
    out += "\r\n";
}

}  // namespace

HexReadResult OpenByteHexfile(std::string_view text, ByteImage& image, bool acceptBadChecksums) {
    ByteHexParser parser(image, acceptBadChecksums);
    parser.feed(text);
    return parser.done();
}

HexReadResult OpenByteHexfile(std::istream& in, ByteImage& image) {
    ByteHexParser parser(image, false);
    FeedHexStream(in, parser);
    return parser.done();
}

HexLoadResult LoadByteHexFile(const std::string& path, ByteImage& image, bool acceptBadChecksums) {
    HexLoadResult result;
    HexSource source;
    if (!source.open(path)) {
        image.HexLoaded = false;
        return result;
    }
    result.opened = true;
    image.clear();
    image.HexLoaded = true;
    ByteHexParser parser(image, acceptBadChecksums);
    source.feed(parser);
    result.parse = parser.done();
    return result;
}

std::string BuildByteHexFile(const ByteRegions& regions, const ByteImage::Bytes& bytes) {
    std::string out;
    bool haveUpper = false;
    std::uint32_t upper = 0;
    auto presentAt = [&](std::size_t index) {
        return index < bytes.size() && (bytes[index] & 0x8000) == 0;
    };
    for (ByteArea area : kByteAreas) {
        const ByteAreaPlace p = regions.place(area);
        std::uint32_t i = 0;
        while (i < p.size) {
            if (!presentAt(p.first + i)) {
                ++i;
                continue;
            }
            const std::uint32_t address = p.base + i;
            std::array<std::uint8_t, 16> data{};
            int count = 0;
            while (i < p.size && presentAt(p.first + i) && count < 16 &&
                   (count == 0 || (p.base + i) % 16 != 0)) {
                data[static_cast<std::size_t>(count++)] =
                    static_cast<std::uint8_t>(bytes[p.first + i] & 0xFF);
                ++i;
            }
            // Records never cross a 16-byte boundary, so never a 64 KB one either.
            if (!haveUpper || address >> 16 != upper) {
                upper = address >> 16;
                haveUpper = true;
                const std::array<std::uint8_t, 2> ela{static_cast<std::uint8_t>(upper >> 8),
                                                      static_cast<std::uint8_t>(upper & 0xFF)};
                appendRecord(out, 4, 0, ela.data(), 2);
            }
            appendRecord(out, 0, address & 0xFFFF, data.data(), count);
        }
    }
    out += ":00000001FF\r\n";
    return out;
}

SaveResult SaveByteHexFile(const std::string& path, const ByteRegions& regions,
                           const ByteImage::Bytes& bytes, SaveFileOps* ops) {
    return WriteFileAtomically(path, BuildByteHexFile(regions, bytes), ops);
}

}  // namespace pk
