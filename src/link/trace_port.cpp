#include "link/trace_port.h"

#include <cstring>

namespace pk {

namespace {

// One-character VCD identifiers.
constexpr char kD0 = 'a';  // .. 'h' for d7
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
        std::fprintf(file_, "$var wire 1 %c d%d $end\n", kD0 + i, i);
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
        put(static_cast<char>(kD0 + i), bit(((reg >> i) & 1) != 0));
    }
    const bool d0 = (reg & 0x01) != 0;
    const bool d1 = (reg & 0x02) != 0;
    const bool d2 = (reg & 0x04) != 0;
    const bool d3 = (reg & 0x08) != 0;
    const bool d4 = (reg & 0x10) != 0;
    switch (settings_->DriverIndex) {
        case 0:
            put(kClock, bit(!d1));
            put(kDataOut, bit(!d0));
            break;
        case 2:
            put(kClock, bit(d1));
            put(kDataOut, d2 ? 'z' : bit(d0));
            break;
        default:
            put(kClock, bit(d1));
            put(kDataOut, bit(d0));
            break;
    }
    switch (settings_->SwitchIndex) {
        case 0:
            put(kVdd, bit(d2));
            put(kVpp, bit(d3));
            break;
        case 1:
            put(kVdd, bit(!d2));
            put(kVpp, bit(!d3));
            break;
        case 2:
            put(kVdd, '1');
            put(kVpp, 'x');
            break;
        default:
            put(kVdd, '1');
            put(kVpp, bit(d3 && !d4));
            break;
    }
}

void TracePort::write(int port, std::uint8_t value) {
    if (file_ != nullptr && (port == 0x378 || port == 0x278)) {
        stamp();
        put(kLpt, bit(port == 0x278));
        emitData(value);
    }
    inner_.write(port, value);
}

std::uint8_t TracePort::read(int port) {
    if (file_ != nullptr) {
        stamp();
    }
    const std::uint8_t v = inner_.read(port);
    if (file_ != nullptr && (port == 0x379 || port == 0x279)) {
        const bool ack = (v & 0x40) != 0;
        put(kAck, bit(ack));
        put(kDataIn, bit(settings_->DriverIndex == 0 ? !ack : ack));
    } else if (file_ != nullptr && (port == 0x378 || port == 0x278)) {
        put(kLpt, bit(port == 0x278));
        emitData(v);
    }
    return v;
}

}  // namespace pk
