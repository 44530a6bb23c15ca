#include "link/ppdev_port.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "image/system_reason.h"

namespace pk {

namespace {

class KernelPpdev : public PpdevSystem {
  public:
    int open(const std::string& path) override {
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        return fd >= 0 ? fd : -errno;
    }
    int ioctl(int fd, unsigned long request, void* arg) override {
        return ::ioctl(fd, request, arg) == 0 ? 0 : -errno;
    }
    void close(int fd) override { ::close(fd); }
};

std::string hex(int v) {
    std::ostringstream s;
    s << "0x" << std::uppercase << std::hex << v;
    return s.str();
}

std::string firstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ' || line.back() == '\t')) {
        line.pop_back();
    }
    return line;
}

}  // namespace

PpdevSystem& PpdevSystem::kernel() {
    static KernelPpdev k;
    return k;
}

std::map<int, int> PpdevPort::mapBases(const std::string& procRoot) {
    // The numbering parportN follows registration order, not the address, so
    // the address must be looked up; base-addr holds "<base>\t<base_hi>" in decimal.
    std::map<int, int> out;
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::path(procRoot) / "sys/dev/parport";
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("parport", 0) != 0 || name.size() == 7) {
            continue;
        }
        int number = 0;
        try {
            std::size_t used = 0;
            number = std::stoi(name.substr(7), &used);
            if (used != name.size() - 7 || number < 0) {
                continue;
            }
        } catch (const std::exception&) {
            continue;
        }
        std::ifstream in(entry.path() / "base-addr");
        long base = -1;
        if (in >> base && base > 0 && base <= 0xFFFF) {
            out.emplace(static_cast<int>(base), number);
        }
    }
    return out;
}

PpdevPort::PpdevPort(PpdevOptions options)
    : options_(std::move(options)),
      sys_(options_.system != nullptr ? options_.system : &PpdevSystem::kernel()) {
    const auto known = mapBases(options_.procRoot);
    for (int base : options_.bases) {
        auto it = known.find(base);
        if (it != known.end()) {
            ports_[base].number = it->second;
        }
    }
    // Taking the ports now answers PortOpen truthfully for the whole run.
    for (int base : options_.bases) {
        auto it = ports_.find(base);
        if (it != ports_.end() && take(it->second)) {
            available_ = true;
        }
    }
    if (available_) {
        return;
    }
    if (known.empty()) {
        reason_ = "kein Druckerport gefunden (Module parport_pc, ppdev laden)";
        return;
    }
    for (int base : options_.bases) {
        auto it = ports_.find(base);
        if (it != ports_.end()) {
            reason_ = it->second.error;
            return;
        }
    }
    std::string found;
    for (const auto& [base, number] : known) {
        found += (found.empty() ? "" : ", ") + std::string("parport") + std::to_string(number) +
                 " an " + hex(base);
    }
    reason_ = "kein Druckerport an 0x378/0x278 (vorhanden: " + found + ")";
}

PpdevPort::~PpdevPort() {
    release();
}

std::string PpdevPort::nodePath(const Port& p) const {
    return options_.devRoot + "/parport" + std::to_string(p.number);
}

bool PpdevPort::take(Port& p) {
    const std::string node = nodePath(p);
    // A claim of a port that someone else is using blocks in the kernel; look first.
    const std::string active =
        firstLine(std::filesystem::path(options_.procRoot) / "sys/dev/parport" /
                  ("parport" + std::to_string(p.number)) / "devices/active");
    if (!active.empty() && active != "none") {
        p.state = State::Failed;
        p.error = node + " belegt von \"" + active + "\"";
        return false;
    }
    const int fd = sys_->open(node);
    if (fd < 0) {
        p.state = State::Failed;
        if (fd == -ENOENT) {
            p.error = node + " fehlt (modprobe ppdev)";
        } else if (fd == -EACCES || fd == -EPERM) {
            // The node is root:lp 0660: the user belongs in group lp.
            p.error = node + ": Zugriff verweigert (Gruppe lp?)";
        } else {
            p.error = node + " lässt sich nicht öffnen (" + SystemReason(-fd) + ")";
        }
        return false;
    }
    // Exclusive: nobody else may register on the port while we drive its lines.
    // This also makes the claim fail at once instead of waiting for the printer driver.
    int rc = sys_->ioctl(fd, PPEXCL, nullptr);
    if (rc == 0) {
        rc = sys_->ioctl(fd, PPCLAIM, nullptr);
    }
    if (rc != 0) {
        sys_->close(fd);
        p.state = State::Failed;
        if (rc == -ENXIO || rc == -EBUSY) {
            // The printer driver registers on every port, which refuses the exclusive claim.
            p.error = node + " belegt (Druckertreiber lp? rmmod lp)";
        } else {
            p.error = node + " lässt sich nicht belegen (" + SystemReason(-rc) + ")";
        }
        return false;
    }
    p.fd = fd;
    p.state = State::Held;
    p.error.clear();
    return true;
}

void PpdevPort::release() {
    for (auto& [base, p] : ports_) {
        if (p.state == State::Held) {
            sys_->ioctl(p.fd, PPRELEASE, nullptr);
            sys_->close(p.fd);
            p.fd = -1;
            p.state = State::Free;
        }
    }
}

bool PpdevPort::holds(int base) const {
    auto it = ports_.find(base);
    return it != ports_.end() && it->second.state == State::Held;
}

PpdevPort::Port* PpdevPort::portAt(int address, int& offset) {
    for (auto& [base, p] : ports_) {
        if (address >= base && address <= base + 2) {
            offset = address - base;
            if (p.state == State::Free && available_) {
                take(p);
            }
            return p.state == State::Held ? &p : nullptr;
        }
    }
    return nullptr;
}

void PpdevPort::write(int port, std::uint8_t value) {
    int offset = 0;
    Port* p = portAt(port, offset);
    if (p == nullptr) {
        return;
    }
    unsigned char v = value;
    if (offset == 0) {
        sys_->ioctl(p->fd, PPWDATA, &v);
    } else if (offset == 2) {
        sys_->ioctl(p->fd, PPWCONTROL, &v);
    }
}

std::uint8_t PpdevPort::read(int port) {
    int offset = 0;
    Port* p = portAt(port, offset);
    if (p == nullptr) {
        return 0xFF;
    }
    unsigned char v = 0xFF;
    const unsigned long request = offset == 0 ? PPRDATA : offset == 1 ? PPRSTATUS : PPRCONTROL;
    if (sys_->ioctl(p->fd, request, &v) != 0) {
        return 0xFF;
    }
    return v;
}

}  // namespace pk
