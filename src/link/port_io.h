#pragma once
// The one seam through which every byte reaches the parallel port: the ppdev
// backend, the direct-instruction backend, the simulator and test fakes all
// implement it, and a trace decorator can wrap any of them.

#include <cstdint>
#include <string>

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

}  // namespace pk
