#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "link/direct_port.h"
#include "link/ppdev_port.h"

namespace pk {
namespace {

namespace fs = std::filesystem;

// A /proc and /dev tree in a temporary folder.
class Tree {
  public:
    Tree() {
        char tmpl[] = "/tmp/pk_ppdev_XXXXXX";
        root_ = mkdtemp(tmpl);
        fs::create_directories(root_ / "proc/sys/dev/parport/default");
        fs::create_directories(root_ / "dev");
    }
    ~Tree() { fs::remove_all(root_); }
    void addPort(int n, const std::string& baseAddr, const std::string& active = "none") {
        const fs::path d = root_ / "proc/sys/dev/parport" / ("parport" + std::to_string(n));
        fs::create_directories(d / "devices");
        std::ofstream(d / "base-addr") << baseAddr;
        std::ofstream(d / "devices/active") << active << "\n";
    }
    PpdevOptions options(PpdevSystem* sys) const {
        PpdevOptions o;
        o.procRoot = (root_ / "proc").string();
        o.devRoot = (root_ / "dev").string();
        o.system = sys;
        return o;
    }
    std::string dev(int n) const {
        return (root_ / "dev").string() + "/parport" + std::to_string(n);
    }
    fs::path root_;
};

// Plays the kernel: per node an open result, per ioctl an optional error, and
// registers behind PPWDATA/PPRDATA/PPRSTATUS.
class FakeKernel : public PpdevSystem {
  public:
    std::map<std::string, int> openError;     // path -> errno
    std::map<unsigned long, int> ioctlError;  // request -> errno (for every fd)
    std::map<int, std::string> fds;           // open fds -> path
    std::vector<std::string> calls;           // "open p", "PPCLAIM p", ...
    std::map<std::string, unsigned char> data, status;

    int open(const std::string& path) override {
        calls.push_back("open " + path);
        auto it = openError.find(path);
        if (it != openError.end()) {
            return -it->second;
        }
        const int fd = next_++;
        fds[fd] = path;
        return fd;
    }
    int ioctl(int fd, unsigned long request, void* arg) override {
        const std::string& path = fds.at(fd);
        calls.push_back(name(request) + " " + path);
        auto it = ioctlError.find(request);
        if (it != ioctlError.end()) {
            return -it->second;
        }
        auto* byte = static_cast<unsigned char*>(arg);
        if (request == PPWDATA) {
            data[path] = *byte;
        } else if (request == PPRDATA) {
            *byte = data[path];
        } else if (request == PPRSTATUS) {
            *byte = status[path];
        }
        return 0;
    }
    void close(int fd) override {
        calls.push_back("close " + fds.at(fd));
        fds.erase(fd);
    }
    static std::string name(unsigned long r) {
        switch (r) {
            case PPEXCL:
                return "PPEXCL";
            case PPCLAIM:
                return "PPCLAIM";
            case PPRELEASE:
                return "PPRELEASE";
            case PPWDATA:
                return "PPWDATA";
            case PPRDATA:
                return "PPRDATA";
            case PPRSTATUS:
                return "PPRSTATUS";
            case PPWCONTROL:
                return "PPWCONTROL";
            case PPRCONTROL:
                return "PPRCONTROL";
            default:
                return "ioctl?";
        }
    }

  private:
    int next_ = 10;
};

TEST(Ppdev, MapsBaseAddressesThroughProcNotByNumber) {
    Tree t;
    t.addPort(0, "956\t0\n");     // 0x3BC registered first
    t.addPort(1, "888\t1912\n");  // LPT1
    t.addPort(3, "632\t0\n");     // LPT2
    t.addPort(4, "garbage\n");
    const auto m = PpdevPort::mapBases((t.root_ / "proc").string());
    EXPECT_EQ(m, (std::map<int, int>{{0x278, 3}, {0x378, 1}, {0x3BC, 0}}));
    EXPECT_TRUE(PpdevPort::mapBases((t.root_ / "nowhere").string()).empty());
}

TEST(Ppdev, TakesPortsExclusivelyAndMapsRegisters) {
    Tree t;
    t.addPort(0, "956\t0\n");
    t.addPort(1, "888\t1912\n");
    FakeKernel k;
    {
        PpdevPort p(t.options(&k));
        ASSERT_TRUE(p.available());
        EXPECT_EQ(p.unavailableReason(), "");
        EXPECT_TRUE(p.holds(0x378));
        EXPECT_FALSE(p.holds(0x278));
        EXPECT_EQ(k.calls, (std::vector<std::string>{"open " + t.dev(1), "PPEXCL " + t.dev(1),
                                                     "PPCLAIM " + t.dev(1)}));
        k.calls.clear();
        p.write(0x378, 0x5A);
        EXPECT_EQ(p.read(0x378), 0x5A);
        k.status[t.dev(1)] = 0x47;
        EXPECT_EQ(p.read(0x379), 0x47) << "status is passed on raw";
        p.write(0x379, 0x00);  // status cannot be written
        EXPECT_EQ(k.calls, (std::vector<std::string>{"PPWDATA " + t.dev(1), "PPRDATA " + t.dev(1),
                                                     "PPRSTATUS " + t.dev(1)}));
        // LPT2 does not exist and 0x37B is no register: a floating bus.
        k.calls.clear();
        p.write(0x278, 0x12);
        EXPECT_EQ(p.read(0x279), 0xFF);
        EXPECT_EQ(p.read(0x37B), 0xFF);
        EXPECT_TRUE(k.calls.empty());

        p.release();
        EXPECT_EQ(k.calls,
                  (std::vector<std::string>{"PPRELEASE " + t.dev(1), "close " + t.dev(1)}));
        EXPECT_FALSE(p.holds(0x378));
        EXPECT_TRUE(p.available()) << "decided once";
        // The next access takes the port again.
        k.calls.clear();
        p.write(0x378, 0x01);
        EXPECT_TRUE(p.holds(0x378));
        EXPECT_EQ(k.calls.front(), "open " + t.dev(1));
        EXPECT_EQ(k.calls.back(), "PPWDATA " + t.dev(1));
        k.calls.clear();
    }
    EXPECT_EQ(k.calls, (std::vector<std::string>{"PPRELEASE " + t.dev(1), "close " + t.dev(1)}))
        << "the destructor gives the port back";
    EXPECT_TRUE(k.fds.empty());
}

TEST(Ppdev, ExplainsWhyThereIsNoAccess) {
    {
        Tree t;
        fs::remove_all(t.root_ / "proc/sys/dev/parport");
        FakeKernel k;
        PpdevPort p(t.options(&k));
        EXPECT_FALSE(p.available());
        EXPECT_NE(p.unavailableReason().find("kein Druckerport"), std::string::npos);
        EXPECT_NE(p.unavailableReason().find("ppdev"), std::string::npos);
        EXPECT_TRUE(k.calls.empty());
        EXPECT_EQ(p.read(0x379), 0xFF);
    }
    {
        Tree t;  // modules loaded but no port: only "default"
        FakeKernel k;
        PpdevPort p(t.options(&k));
        EXPECT_NE(p.unavailableReason().find("kein Druckerport"), std::string::npos);
    }
    {
        Tree t;  // a PCI card elsewhere
        t.addPort(0, "53264\t53248\n");
        FakeKernel k;
        PpdevPort p(t.options(&k));
        EXPECT_FALSE(p.available());
        EXPECT_NE(p.unavailableReason().find("parport0 an 0xD010"), std::string::npos)
            << p.unavailableReason();
    }
    {
        Tree t;
        t.addPort(0, "888\t0\n");
        FakeKernel k;
        k.openError[t.dev(0)] = EACCES;
        PpdevPort p(t.options(&k));
        EXPECT_FALSE(p.available());
        EXPECT_EQ(p.unavailableReason().rfind(t.dev(0) + ": Zugriff verweigert (Gruppe lp?)", 0),
                  0u)
            << p.unavailableReason();
    }
    {
        Tree t;
        t.addPort(0, "888\t0\n");
        FakeKernel k;
        k.openError[t.dev(0)] = ENOENT;
        PpdevPort p(t.options(&k));
        EXPECT_NE(p.unavailableReason().find("modprobe ppdev"), std::string::npos);
    }
    {
        Tree t;  // the printer driver is registered: the exclusive claim is refused
        t.addPort(0, "888\t0\n");
        FakeKernel k;
        k.ioctlError[PPCLAIM] = ENXIO;
        PpdevPort p(t.options(&k));
        EXPECT_FALSE(p.available());
        EXPECT_NE(p.unavailableReason().find("Druckertreiber lp"), std::string::npos);
        EXPECT_TRUE(k.fds.empty()) << "the failed node is closed again";
        k.calls.clear();
        EXPECT_EQ(p.read(0x378), 0xFF);
        EXPECT_TRUE(k.calls.empty()) << "no retry on every access";
    }
    {
        Tree t;  // a rarer refusal still names its reason in German
        t.addPort(0, "888\t0\n");
        FakeKernel k;
        k.openError[t.dev(0)] = ENODEV;
        PpdevPort p(t.options(&k));
        EXPECT_NE(p.unavailableReason().find("lässt sich nicht öffnen (Gerät nicht vorhanden)"),
                  std::string::npos)
            << p.unavailableReason();
    }
    {
        Tree t;  // someone is printing: never wait in a blocking claim
        t.addPort(0, "888\t0\n", "lp");
        FakeKernel k;
        PpdevPort p(t.options(&k));
        EXPECT_FALSE(p.available());
        EXPECT_NE(p.unavailableReason().find("belegt von \"lp\""), std::string::npos);
        EXPECT_TRUE(k.calls.empty());
    }
}

TEST(Ppdev, OneUsablePortIsEnoughAndLpt1ReasonComesFirst) {
    Tree t;
    t.addPort(0, "888\t0\n");
    t.addPort(1, "632\t0\n");
    FakeKernel k;
    k.openError[t.dev(0)] = EACCES;
    PpdevPort p(t.options(&k));
    EXPECT_TRUE(p.available());
    EXPECT_TRUE(p.holds(0x278));
    EXPECT_EQ(p.read(0x379), 0xFF);

    FakeKernel k2;
    k2.openError[t.dev(0)] = EACCES;
    k2.openError[t.dev(1)] = ENOENT;
    PpdevPort q(t.options(&k2));
    EXPECT_FALSE(q.available());
    EXPECT_NE(q.unavailableReason().find("Zugriff verweigert"), std::string::npos);
}

class FakeProcessor : public DirectSystem {
  public:
    int rc = 0;
    std::vector<std::pair<unsigned long, unsigned long>> grants;
    std::map<unsigned short, std::uint8_t> regs;
    int ioperm(unsigned long from, unsigned long num, bool on) override {
        if (on) {
            grants.emplace_back(from, num);
        }
        return rc;
    }
    std::uint8_t inb(unsigned short port) override { return regs[port]; }
    void outb(std::uint8_t value, unsigned short port) override { regs[port] = value; }
};

TEST(DirectPort, GrantsOnlyLpt1AndLpt2) {
    FakeProcessor cpu;
    DirectPort p(&cpu);
    ASSERT_TRUE(p.available());
    EXPECT_EQ(cpu.grants,
              (std::vector<std::pair<unsigned long, unsigned long>>{{0x278, 3}, {0x378, 3}}));
    p.write(0x378, 0x33);
    p.write(0x27A, 0x04);
    p.write(0x3BC, 0x99);  // would fault without a grant
    EXPECT_EQ(cpu.regs, (std::map<unsigned short, std::uint8_t>{{0x27A, 0x04}, {0x378, 0x33}}));
    EXPECT_EQ(p.read(0x378), 0x33);
    EXPECT_EQ(p.read(0x37B), 0xFF);

    FakeProcessor denied;
    denied.rc = -EPERM;
    DirectPort q(&denied);
    EXPECT_FALSE(q.available());
    EXPECT_NE(q.unavailableReason().find("CAP_SYS_RAWIO"), std::string::npos);
    q.write(0x378, 1);
    EXPECT_TRUE(denied.regs.empty());
    EXPECT_EQ(q.read(0x379), 0xFF);

    FakeProcessor old;
    old.rc = -ENOSYS;
    EXPECT_NE(DirectPort(&old).unavailableReason().find("ioperm"), std::string::npos);
}

TEST(Ppdev, RealKernelWithoutPortsAnswersCleanly) {
    // On a machine without a parallel port this must neither hang nor crash.
    PpdevPort p;
    if (!p.available()) {
        EXPECT_FALSE(p.unavailableReason().empty());
        EXPECT_EQ(p.read(0x379), 0xFF);
    }
}

}  // namespace
}  // namespace pk
