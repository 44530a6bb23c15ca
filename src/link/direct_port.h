#pragma once
// Port access by the processor's own in/out instructions, after the kernel has
// granted the I/O ranges of LPT1 and LPT2 (root or CAP_SYS_RAWIO, x86 only).
// Opt-in: it bypasses the kernel's arbitration with the printer driver.

#include <string>

#include "link/port_io.h"

namespace pk {

// The privileged instructions, so tests can play the processor.
class DirectSystem {
  public:
    virtual ~DirectSystem() = default;
    // 0, or -errno.
    virtual int ioperm(unsigned long from, unsigned long num, bool on) = 0;
    virtual std::uint8_t inb(unsigned short port) = 0;
    virtual void outb(std::uint8_t value, unsigned short port) = 0;

    static DirectSystem& processor();
};

class DirectPort : public PortIo {
  public:
    explicit DirectPort(DirectSystem* system = nullptr);

    // Only 0x278..0x27A and 0x378..0x37A are granted; other addresses float.
    void write(int port, std::uint8_t value) override;
    std::uint8_t read(int port) override;
    bool available() const override { return available_; }
    std::string unavailableReason() const override { return reason_; }

    static bool granted(int port);

  private:
    DirectSystem* sys_;
    bool available_ = false;
    std::string reason_;
};

}  // namespace pk
