#pragma once
// The one seam through which every byte reaches the parallel port: the ppdev
// backend, the direct-instruction backend, the simulator and test fakes all
// implement it, and a trace decorator can wrap any of them.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pk {

class PortIo {
  public:
    virtual ~PortIo() = default;
    // Writes one byte to an absolute I/O address (0x378 data register, 0x379 status, ...).
    virtual void write(int port, std::uint8_t value) = 0;
    // Reads one byte from an absolute I/O address.
    virtual std::uint8_t read(int port) = 0;
    // Whether port access works at all; decided once when the backend is made.
    virtual bool available() const = 0;
    // Why port access does not work, in German for the status bar ("" when it does).
    virtual std::string unavailableReason() const { return {}; }
    // Gives the hardware back to the system (other programs, the printer driver).
    // The data lines keep their last value; the next access takes the port again.
    virtual void release() {}
};

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
