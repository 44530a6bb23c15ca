#pragma once
// The configuration words a 14-bit burn writes, and how a front end chooses them.

#include <cstdint>
#include <functional>

namespace pk {

struct ConfigWords {
    std::uint16_t word = 0x3FFF;
    std::uint16_t word2 = 0xFFFF;  // 0xFFFF on a chip without a second word
};

// How the front end turns the file's words (bit 15 set: the file gives none)
// into the words to burn for a chip type: its fuse controls decide what a word
// may hold (editors/config_word.h, configRule).
using ConfigRule =
    std::function<ConfigWords(std::int32_t type, std::uint16_t fileWord, std::uint16_t fileWord2)>;

}  // namespace pk
