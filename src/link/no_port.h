#pragma once
// No port access at all: every address floats (reads 0xFF) and writes vanish,
// so the programmer search fails as it would with nothing attached.

#include <string>
#include <utility>

#include "link/port_io.h"

namespace pk {

class NoPort : public PortIo {
  public:
    explicit NoPort(std::string reason = "kein Portzugriff") : reason_(std::move(reason)) {}
    void write(int, std::uint8_t) override {}
    std::uint8_t read(int) override { return 0xFF; }
    bool available() const override { return false; }
    std::string unavailableReason() const override { return reason_; }

  private:
    std::string reason_;
};

}  // namespace pk
