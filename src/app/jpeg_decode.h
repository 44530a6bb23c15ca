#pragma once
// Decodes a JPEG (JFIF) picture held in memory into 8-bit RGB pixels with
// libjpeg. A damaged picture gives an error text instead of ending the program
// (libjpeg's default error handler would call exit()).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pk {

struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, rows top to bottom
    std::string error;              // empty when the picture decoded cleanly

    bool ok() const { return error.empty() && width > 0 && height > 0; }
};

// Pictures larger than this in either direction are refused rather than
// allocated; the program only carries small pictures.
inline constexpr int kMaxPictureSide = 4096;

// A picture that libjpeg can only decode with warnings (data cut off inside the
// scan, corrupt entropy data) counts as damaged: half a picture is not shown.
DecodedPicture decodeJpeg(const std::uint8_t* data, std::size_t size);

}  // namespace pk
