#pragma once
// Port access through the kernel's user-space parallel-port interface
// (/dev/parportN). No root is needed, only membership of group lp; the kernel
// knows each port's real base address, and a second program or the printer
// driver cannot poke the same registers while we hold the port.

#include <map>
#include <string>
#include <vector>

#include "link/port_io.h"

namespace pk {

// The system calls the backend makes, so tests can play the kernel.
class PpdevSystem {
  public:
    virtual ~PpdevSystem() = default;
    // Opens a device node read-write; a file descriptor, or -errno.
    virtual int open(const std::string& path) = 0;
    // 0, or -errno.
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual void close(int fd) = 0;

    // The kernel itself.
    static PpdevSystem& kernel();
};

struct PpdevOptions {
    std::string procRoot = "/proc";  // where sys/dev/parport/parportN/base-addr live
    std::string devRoot = "/dev";    // where the parportN nodes live
    PpdevSystem* system = nullptr;   // nullptr: the kernel
    // The port bases the program may use (LPT1, LPT2); each is taken at start.
    std::vector<int> bases = {0x378, 0x278};
};

class PpdevPort : public PortIo {
  public:
    explicit PpdevPort(PpdevOptions options = {});
    ~PpdevPort() override;
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;

    // base: data register (PPWDATA/PPRDATA); base + 1: status (PPRSTATUS, raw);
    // base + 2: control. Any other address is a floating bus.
    void write(int port, std::uint8_t value) override;
    std::uint8_t read(int port) override;
    bool available() const override { return available_; }
    std::string unavailableReason() const override { return reason_; }
    // Releases and closes every port held; the next access takes it again.
    void release() override;

    // Base address -> N of /dev/parportN, as the kernel lists them.
    static std::map<int, int> mapBases(const std::string& procRoot);
    // Whether the port at this base is held now.
    bool holds(int base) const;

  private:
    enum class State { Free, Held, Failed };
    struct Port {
        int number = -1;
        int fd = -1;
        State state = State::Free;
        std::string error;
    };

    bool take(Port& p);
    Port* portAt(int address, int& offset);
    std::string nodePath(const Port& p) const;

    PpdevOptions options_;
    PpdevSystem* sys_;
    std::map<int, Port> ports_;  // by base address
    bool available_ = false;
    std::string reason_;
};

}  // namespace pk
