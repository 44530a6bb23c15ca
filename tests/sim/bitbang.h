#pragma once
// A small host for the simulated programmer, written from the chips'
// programming facts over the circuit table's line terms, independent of the
// program's frames and programming mode: each line change is one read-modify-write of the data
// register, bits go out LSB first and are latched by the chip on the falling
// clock edge, reads sample the status register while the clock is high.

#include <chrono>
#include <cstdint>
#include <stdexcept>

#include "link/circuit.h"
#include "link/clock.h"
#include "link/port_io.h"
#include "link/user_dialog.h"

namespace pk::sim::test {

class BitBang {
  public:
    // driver and sw must name a usable circuit.
    BitBang(PortIo& port, Clock& clock, int driver, int sw, int base = 0x378)
        : port_(port), clock_(clock), c_(row(driver, sw)), base_(base) {}

    // What a hand-operated switch prompt goes through.
    void setDialog(UserDialog* dialog) { dialog_ = dialog; }
    // The wait between line changes.
    void setDelay(std::chrono::nanoseconds d) { delay_ = d; }

    void wait() { clock_.busyWait(delay_); }
    void sleepMs(int ms) { clock_.sleepMs(ms); }

    void change(std::uint8_t set, std::uint8_t clear) {
        const std::uint8_t v = port_.read(base_);
        port_.write(base_, static_cast<std::uint8_t>((v & ~clear) | set));
    }

    // The terms of the circuit table's row; the framing below is this host's own.
    void apply(LineTerm t) {
        if (!t.empty()) {
            change(t.set, t.clear);
        }
    }
    void step(const VoltageStep& v) {
        apply(v.term);
        if (v.prompt != nullptr && dialog_ != nullptr) {
            dialog_->manualSwitch(v.prompt);
        }
    }

    void clockHigh() { apply(c_.clockHigh); }
    void clockLow() { apply(c_.clockLow); }
    void dataBit(bool b) { apply(b ? c_.dataHigh : c_.dataLow); }
    void release() { apply(c_.release); }
    void take() { apply(c_.take); }
    void entryLow() { apply(c_.entry); }
    bool sample() {
        port_.read(base_ + 1);
        return dataInHigh(c_, port_.read(base_ + 1));
    }

    void vddOn() { step(c_.vddOn); }
    void vddOff() { step(c_.vddOff); }
    void vppOn() { step(c_.vppOn); }
    void vppOff() { step(c_.vppOff); }
    // The lines at rest: clock and data low, both voltages off.
    void idle() {
        apply(c_.idle);
        step(c_.voltageIdle);
    }

    void startProgmode() {
        entryLow();
        vddOn();
        sleepMs(100);
        vppOn();
        sleepMs(150);
    }
    void endProgmode() {
        vppOff();
        sleepMs(100);
        vddOff();
        apply(c_.endLines);
        sleepMs(150);
    }

    void sendBit(bool b) {
        if (c_.leadingWait) {
            wait();
        }
        clockHigh();
        wait();
        dataBit(b);
        wait();
        clockLow();
        wait();
    }
    void command(int code) {
        take();
        for (int k = 0; k < 6; ++k) {
            sendBit(((code >> k) & 1) != 0);
        }
    }
    void writeData(std::uint16_t word) {
        take();
        const std::uint32_t frame = (static_cast<std::uint32_t>(word & 0x3FFF) << 1) | 0x8001;
        for (int k = 0; k < 16; ++k) {
            sendBit(((frame >> k) & 1) != 0);
        }
    }
    std::uint16_t readData() {
        wait();
        release();
        wait();
        std::uint32_t frame = 0;
        for (int k = 0; k < 16; ++k) {
            clockHigh();
            wait();
            if (sample()) {
                frame |= 1u << k;
            }
            wait();
            clockLow();
            wait();
        }
        return static_cast<std::uint16_t>((frame >> 1) & 0x3FFF);
    }

    // Command helpers.
    void load(int code, std::uint16_t word) {
        command(code);
        writeData(word);
    }
    std::uint16_t read(int code) {
        command(code);
        return readData();
    }
    void increment(int n = 1) {
        for (int i = 0; i < n; ++i) {
            command(6);
        }
    }

  private:
    static const Circuit& row(int driver, int sw) {
        const Circuit* c = findCircuit(driver, sw);
        if (c == nullptr) {
            throw std::invalid_argument("no usable circuit");
        }
        return *c;
    }

    PortIo& port_;
    Clock& clock_;
    const Circuit& c_;
    int base_;
    UserDialog* dialog_ = nullptr;
    // About what the program's measured delay gives.
    std::chrono::nanoseconds delay_{std::chrono::microseconds(40)};
};

}  // namespace pk::sim::test
