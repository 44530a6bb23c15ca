#pragma once
// Intel HEX files of byte-addressed chips (PIC18F): INHX32, every byte at its own
// address, the upper 16 address bits set by extended linear address records (type
// 04). The reader fills ByteImage::HexBytes; the writer turns one of the image's
// arrays into a file.
//
// The reader is stricter than the 14-bit one, which stays as lenient as it has
// always been with 14-bit files; here a corrupted byte would be burned without a
// word. It checks every checksum, refuses record types it cannot place (extended segment
// addresses 02, and anything above 05) and refuses a file that ends without its end
// record. Start address records (03, 05) are skipped. A record runs on linearly
// from its first address: one that starts just below a 64 KB boundary continues in
// the next 64 KB, as Intel defines it for linear addresses; it does not wrap round
// to the start of its own 64 KB.

#include <istream>
#include <string>
#include <string_view>

#include "image/atomic_file.h"
#include "image/byte_image.h"
#include "image/hex_file.h"

namespace pk {

// Parses the text into image.HexBytes, which is not cleared first. Stops after the
// end record or at the first problem; the bytes stored before a problem stay. A data
// byte that no area of the chip holds stops the load with AddressRange, naming its
// HEX address in byteAddress.
HexReadResult OpenByteHexfile(std::string_view text, ByteImage& image,
                              bool acceptBadChecksums = false);
HexReadResult OpenByteHexfile(std::istream& in, ByteImage& image);

// Loads a file into the image as LoadHexFile does for the 14-bit image: when it
// cannot be opened HexLoaded becomes false and nothing else changes; otherwise
// HexBytes is cleared, HexLoaded becomes true and the file is parsed.
// acceptBadChecksums: the user chose to use a file whose checksums do not add up.
HexLoadResult LoadByteHexFile(const std::string& path, ByteImage& image,
                              bool acceptBadChecksums = false);

// The file for `bytes` (HexBytes or ReadBack of an image with these regions): the
// areas in ascending address order, absent bytes left out, at most 16 bytes per
// record and no record across a 16-byte boundary, an extended linear address record
// before the first data record and wherever the upper 16 bits change, then the end
// record. Lines end in CR LF; hex digits are upper case. Only the low 8 bits of a
// present entry are written.
std::string BuildByteHexFile(const ByteRegions& regions, const ByteImage::Bytes& bytes);

// Writes that file so that a failed save keeps the previous file.
SaveResult SaveByteHexFile(const std::string& path, const ByteRegions& regions,
                           const ByteImage::Bytes& bytes, SaveFileOps* ops = nullptr);

}  // namespace pk
