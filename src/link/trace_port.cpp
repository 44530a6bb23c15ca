#include "link/trace_port.h"

#include <cstring>

namespace pk {

namespace {

// One-character VCD identifiers.
constexpr char kBit0 = 'a';  // .. 'h' for d7
constexpr char kLpt = 'i';
constexpr char kClock = 'j';
constexpr char kDataOut = 'k';
constexpr char kDataIn = 'l';
constexpr char kVdd = 'm';
constexpr char kVpp = 'n';
constexpr char kAck = 'o';

char bit(bool b) {
    return b ? '1' : '0';
}

}  // namespace

TracePort::TracePort(PortIo& inner, Clock& clock, const ProgrammerSettings& settings,
                     const std::string& path)
    : inner_(inner), clock_(clock), settings_(&settings) {
    std::memset(values_, '?', sizeof values_);
    file_ = std::fopen(path.c_str(), "w");
    if (file_ == nullptr) {
        return;
    }
    origin_ = clock_.monotonic().count();
    std::fputs("$version PKorvel line trace $end\n$timescale 1ns $end\n$scope module lpt $end\n",
               file_);
    for (int i = 0; i < 8; ++i) {
        std::fprintf(file_, "$var wire 1 %c d%d $end\n", kBit0 + i, i);
    }
    std::fprintf(file_, "$var wire 1 %c lpt2 $end\n", kLpt);
    std::fprintf(file_, "$var wire 1 %c clock $end\n", kClock);
    std::fprintf(file_, "$var wire 1 %c data_out $end\n", kDataOut);
    std::fprintf(file_, "$var wire 1 %c data_in $end\n", kDataIn);
    std::fprintf(file_, "$var wire 1 %c vdd $end\n", kVdd);
    std::fprintf(file_, "$var wire 1 %c vpp $end\n", kVpp);
    std::fprintf(file_, "$var wire 1 %c ack $end\n", kAck);
    std::fputs("$upscope $end\n$enddefinitions $end\n", file_);
}

TracePort::~TracePort() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void TracePort::stamp() {
    const std::int64_t t = clock_.monotonic().count() - origin_;
    pendingTime_ = t > lastTime_ ? t : lastTime_;  // VCD time never goes back
}

void TracePort::put(char id, char value) {
    char& last = values_[id - 'a'];
    if (last == value) {
        return;
    }
    last = value;
    if (pendingTime_ != lastTime_) {
        lastTime_ = pendingTime_;
        std::fprintf(file_, "#%lld\n", static_cast<long long>(lastTime_));
    }
    std::fprintf(file_, "%c%c\n", value, id);
}

void TracePort::emitData(std::uint8_t reg) {
    for (int i = 0; i < 8; ++i) {
        put(static_cast<char>(kBit0 + i), bit(((reg >> i) & 1) != 0));
    }
    const Circuit* c = findCircuit(*settings_);
    if (c == nullptr) {
        // Settings that name no circuit: only the raw bits mean anything.
        for (char id : {kClock, kDataOut, kVdd, kVpp}) {
            put(id, 'x');
        }
        return;
    }
    put(kClock, bit(clockHigh(*c, reg)));
    const auto out = dataOutHigh(*c, reg);
    put(kDataOut, out ? bit(*out) : 'z');
    put(kVdd, bit(vddOn(*c, reg)));
    const auto vpp = vppOn(*c, reg);
    put(kVpp, vpp ? bit(*vpp) : 'x');
}

bool TracePort::isData(int port) {
    return port == kLpt1 || port == kLpt2;
}

bool TracePort::isStatus(int port) {
    return port == kLpt1 + kStatusOffset || port == kLpt2 + kStatusOffset;
}

void TracePort::write(int port, std::uint8_t value) {
    if (file_ != nullptr && isData(port)) {
        stamp();
        put(kLpt, bit(port == kLpt2));
        emitData(value);
    }
    inner_.write(port, value);
}

std::uint8_t TracePort::read(int port) {
    if (file_ != nullptr) {
        stamp();
    }
    const std::uint8_t v = inner_.read(port);
    if (file_ != nullptr && isStatus(port)) {
        put(kAck, bit((v & kStatusData) != 0));
        const Circuit* c = findCircuit(*settings_);
        put(kDataIn, c != nullptr ? bit(dataInHigh(*c, v)) : 'x');
    } else if (file_ != nullptr && isData(port)) {
        put(kLpt, bit(port == kLpt2));
        emitData(v);
    }
    return v;
}

}  // namespace pk
