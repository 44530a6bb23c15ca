#include "sim/circuit.h"

namespace pk::sim {

using std::chrono::nanoseconds;

SimCircuit::SimCircuit(Clock& clock, CircuitVariant variant, int lpt)
    : clock_(clock),
      virtual_(dynamic_cast<VirtualClock*>(&clock)),
      variant_(variant),
      base_(lpt == 1   ? 0x378
            : lpt == 2 ? 0x278
                       : -1),
      origin_(clock.monotonic()) {}

SimCircuit::~SimCircuit() = default;

nanoseconds SimCircuit::now() const {
    return clock_.monotonic() - origin_;
}

nanoseconds SimCircuit::access() {
    const nanoseconds now = this->now();
    if (virtual_ != nullptr) {
        virtual_->advance(accessCost_);
    }
    return now;
}

void SimCircuit::write(int port, std::uint8_t value) {
    const nanoseconds now = access();
    if (base_ >= 0 && port == base_) {
        reg_ = value;
        evaluate(now);
    }
}

std::uint8_t SimCircuit::read(int port) {
    const nanoseconds now = access();
    if (base_ < 0) {
        return 0xFF;
    }
    if (port == base_) {
        return reg_;
    }
    if (port == base_ + 1) {
        // Read before the chip's new bit is valid, the line still shows the old level.
        const bool level = chip_ && !chip_->sampled(now) ? levelBeforeChip_ : dataLevel_;
        const bool bit = variant_.driver == 0 ? !level : level;
        return static_cast<std::uint8_t>((kStatusOtherBits & ~0x40) | (bit ? 0x40 : 0));
    }
    return 0xFF;
}

void SimCircuit::setVpp(int centivolts) {
    vppCentivolts_ = centivolts;
    if (chip_) {
        chip_->setSuppliedVpp(centivolts);
    }
}

SimChip* SimCircuit::insertChip(std::unique_ptr<SimChip> chip) {
    chip_ = std::move(chip);
    if (chip_) {
        chip_->attachLog(&log_);
        chip_->setSuppliedVpp(vppCentivolts_);
        chip_->plug(pins());
    }
    resolveData(now());
    return chip_.get();
}

std::unique_ptr<SimChip> SimCircuit::removeChip() {
    auto chip = std::move(chip_);
    if (chip) {
        chip->attachLog(nullptr);
    }
    resolveData(now());
    return chip;
}

void SimCircuit::setManualVpp(bool on) {
    manualVpp_ = on;
    evaluate(now());
}

void SimCircuit::setDataStuck(std::optional<bool> level) {
    stuck_ = level;
    evaluate(now());
}

void SimCircuit::setClockOpen(bool open) {
    clockOpen_ = open;
    evaluate(now());
}

void SimCircuit::setNoVpp(bool noVpp) {
    noVpp_ = noVpp;
    evaluate(now());
}

bool SimCircuit::clockLine() const {
    const bool d1 = (reg_ & 0x02) != 0;
    return variant_.driver == 0 ? !d1 : d1;
}

bool SimCircuit::vdd() const {
    switch (variant_.sw) {
        case 0:
            return (reg_ & 0x04) != 0;
        case 1:
            return (reg_ & 0x04) == 0;
        default:
            return true;  // hand-operated and AN589 boards keep the chip powered
    }
}

bool SimCircuit::vpp() const {
    if (noVpp_) {
        return false;
    }
    switch (variant_.sw) {
        case 0:
            return (reg_ & 0x08) != 0;
        case 1:
            return (reg_ & 0x08) == 0;
        case 2:
            return manualVpp_;
        case 3:
            return (reg_ & 0x08) != 0 && (reg_ & 0x10) == 0;
        default:
            return false;
    }
}

SimCircuit::Drive SimCircuit::programmerDrive() const {
    const bool d0 = (reg_ & 0x01) != 0;
    switch (variant_.driver) {
        case 0:
            return d0 ? Drive::PullLow : Drive::None;
        case 2:
            if ((reg_ & 0x04) != 0) {
                return Drive::None;
            }
            return d0 ? Drive::PushHigh : Drive::PushLow;
        default:
            return d0 ? Drive::None : Drive::PullLow;
    }
}

ChipPins SimCircuit::pins() const {
    ChipPins p;
    p.vdd = vdd();
    p.vpp = vpp();
    p.clock = clockOpen_ ? false : clockLine();
    p.data = dataLevel_;
    return p;
}

void SimCircuit::resolveData(nanoseconds now) {
    const Drive prog = programmerDrive();
    const std::optional<bool> chipOut = chip_ ? chip_->dataOut() : std::nullopt;
    bool contention = false;
    bool level = true;  // pull-up
    if (stuck_) {
        level = *stuck_;
    } else {
        const bool progPushes = prog == Drive::PushHigh || prog == Drive::PushLow;
        if (chipOut && progPushes && *chipOut != (prog == Drive::PushHigh)) {
            contention = true;
            level = false;
        } else if (chipOut) {
            level = *chipOut;
            if (*chipOut && prog == Drive::PullLow) {
                contention = true;  // the open collector sinks the chip's high output
                level = false;
            }
        } else if (progPushes) {
            level = prog == Drive::PushHigh;
        } else {
            level = prog != Drive::PullLow;
        }
    }
    const bool notReleased = chipOut.has_value() && prog != Drive::None;
    if (notReleased && !notReleased_) {
        log_.violation(now, "data line not released while the chip drives it (read frame)");
    }
    if (contention && !contention_) {
        log_.violation(now, "contention on the data line: two outputs drive opposite levels");
    }
    notReleased_ = notReleased;
    contention_ = contention;
    dataLevel_ = level;
}

void SimCircuit::evaluate(nanoseconds now) {
    resolveData(now);
    if (chip_) {
        levelBeforeChip_ = dataLevel_;
        chip_->update(pins(), now);
        // The chip may have switched its output on a rising edge.
        resolveData(now);
        chip_->settled(pins(), now);
    }
}

}  // namespace pk::sim
