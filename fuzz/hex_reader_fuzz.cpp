// libFuzzer target for the HEX reader: any bytes must parse without a crash or a read
// outside the buffers, every stored word must be a 14-bit value, reading the same bytes
// from a stream must give the same result, and what the writer makes of the words must
// read back to the same words.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>

#include "image/hex_file.h"
#include "image/hex_syntax.h"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using pk::MemoryImage;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    pk::WordArray words;
    words.fill(MemoryImage::AbsentWord);
    const auto result = pk::OpenHexfile(text, words);
    for (auto w : words) {
        check(w == MemoryImage::AbsentWord || w <= 0x3FFF);
    }
    check(result.ok() == pk::HexReadMessage("f.hex", result).empty());

    // The form check takes any bytes too; a file it passes has data and loads whole.
    const pk::HexSyntax form = pk::scanHexSyntax(text);
    if (form.first(pk::HexSyntaxFinding::Kind::Refuse) == nullptr) {
        check(form.dataRecords > 0);
        check(result.status != pk::HexReadResult::Status::BadDigit &&
              result.status != pk::HexReadResult::Status::ShortLine);
    }

    pk::WordArray fromStream;
    fromStream.fill(MemoryImage::AbsentWord);
    std::istringstream in{std::string(text)};
    const auto streamed = pk::OpenHexfile(in, fromStream);
    check(streamed.status == result.status && streamed.line == result.line);
    check(fromStream == words);

    pk::WordArray again;
    again.fill(MemoryImage::AbsentWord);
    const auto back = pk::OpenHexfile(pk::BuildHexFile(words, 0x1FFF), again);
    check(back.ok() && back.endRecord);
    for (std::size_t a = 0; a < MemoryImage::Size; ++a) {
        const bool written =
            (a <= 0x2008 || a >= 0x2100) && words[a] != MemoryImage::AbsentWord &&
            (words[a] & (a < 0x2100 ? 0x3FFF : 0xFF)) != (a < 0x2100 ? 0x3FFF : 0xFF);
        check(again[a] == (written ? words[a] : MemoryImage::AbsentWord));
    }
    return 0;
}
