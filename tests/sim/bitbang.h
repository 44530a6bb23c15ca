#pragma once
// A small host for the simulated programmer, written from the chips'
// programming facts and the board's line map, independent of the program's
// own link code: each line change is one read-modify-write of the data
// register, bits go out LSB first and are latched by the chip on the falling
// clock edge, reads sample the status register while the clock is high.

#include <chrono>
#include <cstdint>

#include "link/clock.h"
#include "link/port_io.h"
#include "link/user_dialog.h"

namespace pk::sim::test {

class BitBang {
  public:
    BitBang(PortIo& port, Clock& clock, int driver, int sw, int base = 0x378)
        : port_(port), clock_(clock), driver_(driver), sw_(sw), base_(base) {}

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

    void clockHigh() { driver_ == 0 ? change(0, 0x02) : change(0x02, 0); }
    void clockLow() { driver_ == 0 ? change(0x02, 0) : change(0, 0x02); }
    void dataBit(bool b) {
        const bool d0 = driver_ == 0 ? !b : b;
        d0 ? change(0x01, 0) : change(0, 0x01);
    }
    void release() {
        if (driver_ == 0) {
            change(0, 0x01);
        } else if (driver_ == 1) {
            change(0x01, 0);
        } else {
            change(0x04, 0x21);
        }
    }
    void take() {
        if (driver_ == 2) {
            change(0, 0x24);
        }
    }
    void entryLow() {
        if (driver_ == 0) {
            change(0x03, 0);
        } else if (driver_ == 1) {
            change(0, 0x03);
        } else {
            change(0, 0x27);
        }
    }
    bool sample() {
        port_.read(base_ + 1);
        const bool bit6 = (port_.read(base_ + 1) & 0x40) != 0;
        return driver_ == 0 ? !bit6 : bit6;
    }

    void vddOn() {
        if (sw_ == 0) {
            change(0x04, 0);
        } else if (sw_ == 1) {
            change(0, 0x04);
        } else if (sw_ == 3) {
            change(0x10, 0x08);
        }
    }
    void vddOff() {
        if (sw_ == 0) {
            change(0, 0x04);
        } else if (sw_ == 1) {
            change(0x04, 0);
        }
    }
    void vppOn() {
        if (sw_ == 0) {
            change(0x08, 0);
        } else if (sw_ == 1) {
            change(0, 0x08);
        } else if (sw_ == 2) {
            if (dialog_ != nullptr) {
                dialog_->manualSwitch("+12V jetzt einschalten");
            }
        } else {
            change(0x08, 0x10);
        }
    }
    void vppOff() {
        if (sw_ == 0) {
            change(0, 0x08);
        } else if (sw_ == 1) {
            change(0x08, 0);
        } else if (sw_ == 2) {
            if (dialog_ != nullptr) {
                dialog_->manualSwitch("+12V jetzt ausschalten");
            }
        } else {
            change(0x10, 0x08);
        }
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
        if (driver_ == 2) {
            change(0x24, 0);
        }
        sleepMs(150);
    }

    void sendBit(bool b) {
        if (driver_ != 0) {
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
    PortIo& port_;
    Clock& clock_;
    int driver_;
    int sw_;
    int base_;
    UserDialog* dialog_ = nullptr;
    // About what the program's measured delay gives.
    std::chrono::nanoseconds delay_{std::chrono::microseconds(40)};
};

}  // namespace pk::sim::test
