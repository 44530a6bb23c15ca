#pragma once
// The run-time range-check error: a value that does not fit where it must go
// (a negative port number, a data word wider than a frame). It ends the
// operation in progress; the window shows "Range check error" and the program
// goes on.

#include <stdexcept>

namespace pk {

inline constexpr const char* kRangeCheckText = "Range check error";

class RangeError : public std::runtime_error {
  public:
    RangeError() : std::runtime_error(kRangeCheckText) {}
};

}  // namespace pk
