#include "link/direct_port.h"

#include <cerrno>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define PK_HAVE_PORT_INSTRUCTIONS 1
#endif

#include "image/system_reason.h"

namespace pk {

namespace {

class Processor : public DirectSystem {
  public:
    int ioperm(unsigned long from, unsigned long num, bool on) override {
#ifdef PK_HAVE_PORT_INSTRUCTIONS
        return ::ioperm(from, num, on ? 1 : 0) == 0 ? 0 : -errno;
#else
        (void)from;
        (void)num;
        (void)on;
        return -ENOSYS;
#endif
    }
    std::uint8_t inb(unsigned short port) override {
#ifdef PK_HAVE_PORT_INSTRUCTIONS
        return ::inb(port);
#else
        (void)port;
        return 0xFF;
#endif
    }
    void outb(std::uint8_t value, unsigned short port) override {
#ifdef PK_HAVE_PORT_INSTRUCTIONS
        ::outb(value, port);
#else
        (void)value;
        (void)port;
#endif
    }
};

}  // namespace

DirectSystem& DirectSystem::processor() {
    static Processor p;
    return p;
}

bool DirectPort::granted(int port) {
    return (port >= 0x278 && port <= 0x27A) || (port >= 0x378 && port <= 0x37A);
}

DirectPort::DirectPort(DirectSystem* system)
    : sys_(system != nullptr ? system : &DirectSystem::processor()) {
    // The grant is per thread: this must run on the thread that does all port I/O.
    int rc = sys_->ioperm(0x278, 3, true);
    if (rc == 0) {
        rc = sys_->ioperm(0x378, 3, true);
    }
    if (rc == 0) {
        available_ = true;
    } else if (rc == -EPERM) {
        // Also refused to root under kernel lockdown (Secure Boot).
        reason_ = "Portbefehle verweigert (root/CAP_SYS_RAWIO nötig; --port=ppdev)";
    } else if (rc == -ENOSYS) {
        reason_ = "Portbefehle: Kernel ohne ioperm (--port=ppdev)";
    } else {
        reason_ = std::string("Portbefehle nicht möglich (") + SystemReason(-rc) + ")";
    }
}

void DirectPort::write(int port, std::uint8_t value) {
    // An instruction on a port without the grant would kill the process.
    if (available_ && granted(port)) {
        sys_->outb(value, static_cast<unsigned short>(port));
    }
}

std::uint8_t DirectPort::read(int port) {
    if (available_ && granted(port)) {
        return sys_->inb(static_cast<unsigned short>(port));
    }
    return 0xFF;
}

}  // namespace pk
