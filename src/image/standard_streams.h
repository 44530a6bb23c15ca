#pragma once
// "-" as a file name, as command-line tools take it: standard input for a file that
// is read, standard output for one that is written. Standard input can be read only
// once, yet a burn loads its file again before each pass: its text is read on first
// use and kept for the rest of the process.

#include <cstddef>
#include <string>

namespace pk {

// Whether `path` names a standard stream ("-") rather than a file.
bool IsStandardStream(const std::string& path);

// The name messages give a file that is read or written: "(Standardeingabe)" and
// "(Standardausgabe)" for "-", otherwise the path itself.
std::string InputFileName(const std::string& path);
std::string OutputFileName(const std::string& path);

// Far more than the HEX file of the biggest chip; what is kept of standard input
// stays bounded whatever is piped in.
inline constexpr std::size_t kMaxStandardInput = std::size_t{64} << 20;

struct StandardInput {
    bool open = false;      // false: the process has no standard input
    std::string text;       // what was read, at most kMaxStandardInput bytes
    std::string readError;  // why reading stopped before the end: the system's
                            // reason, or that there was more than that
};

// Standard input up to its end, read on the first call; later calls give the same.
const StandardInput& ReadStandardInput();

// Whether standard input has been taken as a file: it then answers no prompt.
bool StandardInputTaken();

}  // namespace pk
