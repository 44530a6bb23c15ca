#pragma once
// A port for tests that keeps every access.

#include <cstdint>
#include <map>
#include <vector>

#include "link/port_io.h"

namespace pk {

// A trivial in-memory port for tests: registers read back what was written,
// unknown addresses read as a floating bus (0xFF), and every access is logged.
class FakePort : public PortIo {
  public:
    struct Access {
        bool isWrite;
        int port;
        std::uint8_t value;
    };

    explicit FakePort(bool available = true) : available_(available) {}

    void write(int port, std::uint8_t value) override {
        registers_[port] = value;
        log_.push_back({true, port, value});
    }
    std::uint8_t read(int port) override {
        auto it = registers_.find(port);
        std::uint8_t v = it == registers_.end() ? 0xFF : it->second;
        log_.push_back({false, port, v});
        return v;
    }
    bool available() const override { return available_; }

    // Presets a register, e.g. a status register, without logging an access.
    void set(int port, std::uint8_t value) { registers_[port] = value; }
    const std::vector<Access>& log() const { return log_; }
    void clearLog() { log_.clear(); }

  private:
    bool available_;
    std::map<int, std::uint8_t> registers_;
    std::vector<Access> log_;
};

}  // namespace pk
