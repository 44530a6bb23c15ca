#include "sim/backend.h"

#include "sim/p18_chip.h"

#include <algorithm>
#include <filesystem>

#include "sim/chip_file.h"
#include "sim/p18_chip.h"

namespace pk::sim {

std::unique_ptr<SimBackend> SimBackend::create(const SimOptions& options,
                                               const ProgrammerSettings& settings,
                                               std::string* error) {
    const ChipModel* model = findChip(options.chip);
    if (model == nullptr) {
        if (error != nullptr) {
            *error = "unknown chip " + options.chip;
        }
        return nullptr;
    }
    std::unique_ptr<SimBackend> b(new SimBackend(options));
    if (options.fast) {
        b->clock_ = std::make_unique<VirtualClock>(RealClock().timeOfDayMs());
    } else {
        b->clock_ = std::make_unique<RealClock>();
    }
    const CircuitVariant variant =
        options.circuit.value_or(CircuitVariant{settings.DriverIndex, settings.SwitchIndex});
    b->circuit_ = std::make_unique<SimCircuit>(*b->clock_, variant, options.lpt);
    if (options.strict) {
        b->circuit_->setAccessCost(std::chrono::nanoseconds(0));
    }
    b->circuit_->setVpp(options.vppCentivolts);
    b->dialog_ = std::make_unique<SimSwitchDialog>(nullptr, *b->circuit_);

    bool socketEmpty = false;
    const ChipModel* inSocket = model;
    for (const SimFault& f : options.faults) {
        if (f.kind == SimFault::Kind::NoChip) {
            socketEmpty = true;
        } else if (f.kind == SimFault::Kind::WrongChip) {
            // By default another chip of the same pin count and protocol.
            inSocket = !f.chip.empty()                   ? findChip(f.chip)
                       : model->family == Family::F62x   ? findChip("16F877")
                       : model->family == Family::P18F2x ? findChip("18F452")
                       : model->p18 != nullptr           ? findChip("18F4550")
                                                         : findChip("16F628");
        }
    }
    if (!socketEmpty) {
        // Filled before it goes into the socket: a chip under constant VDD starts
        // there with what its configuration word says.
        auto owned = std::make_unique<SimChip>(*inSocket);
        SimChip* chip = owned.get();
        // The chip file describes the chip named by --simulate; a wrong chip in the
        // socket is another chip, and it must never overwrite that file.
        const bool fileChip = !options.chipFile.empty() && inSocket == model;
        if (fileChip && std::filesystem::exists(options.chipFile)) {
            if (!loadChipFile(*chip, options.chipFile, error)) {
                return nullptr;  // never overwrite a file we could not read
            }
        }
        b->chipFromFile_ = fileChip;
        const bool noBulkErase =
            std::any_of(options.faults.begin(), options.faults.end(),
                        [](const SimFault& f) { return f.kind == SimFault::Kind::NoBulkErase; });
        if (noBulkErase && !fileChip) {
            // An erase that does nothing only shows on a chip that holds something:
            // without a chip file this one comes with a short program and data.
            if (P18Chip* p18 = chip->p18()) {
                for (std::uint32_t a = 0; a < 16; ++a) {
                    p18->setByte(a, static_cast<std::uint8_t>(0x10 + a));
                }
                p18->setByte(kP18Eeprom, 0x5A);
            } else {
                for (int a = 0; a < 16; ++a) {
                    chip->setWord(a, static_cast<std::uint16_t>(0x2800 + a));
                }
                if (inSocket->eepromBytes > 0) {
                    chip->setWord(0x2100, 0x5A);
                }
            }
        }
        b->circuit_->insertChip(std::move(owned));
        b->saved_ = chip->contents();
        for (const SimFault& f : options.faults) {
            const bool cell =
                f.kind == SimFault::Kind::BadCell || f.kind == SimFault::Kind::StuckCell;
            if (cell && chip->p18() == nullptr && f.arg > 0x21FF) {
                if (error != nullptr) {
                    *error = "a cell address of a 14-bit chip is at most 0x21FF";
                }
                return nullptr;
            }
        }
        for (const SimFault& f : options.faults) {
            if (f.kind == SimFault::Kind::BadCell) {
                chip->setBadCell(f.arg);
            } else if (f.kind == SimFault::Kind::StuckCell) {
                chip->setStuckCell(f.arg);
            } else if (f.kind == SimFault::Kind::NoBulkErase) {
                chip->setNoBulkErase(true);
            } else if (f.kind == SimFault::Kind::EraseAtCalibration) {
                chip->setEraseAtCalibration(true);
            } else if (f.kind == SimFault::Kind::Flaky) {
                chip->setFlaky(f.arg, f.seed);
            } else if (f.kind == SimFault::Kind::Misread) {
                chip->setMisread(f.arg);
            }
        }
    }
    for (const SimFault& f : options.faults) {
        switch (f.kind) {
            case SimFault::Kind::StuckLow:
                b->circuit_->setDataStuck(false);
                break;
            case SimFault::Kind::StuckHigh:
                b->circuit_->setDataStuck(true);
                break;
            case SimFault::Kind::ClockOpen:
                b->circuit_->setClockOpen(true);
                break;
            case SimFault::Kind::NoVpp:
                b->circuit_->setNoVpp(true);
                break;
            default:
                break;
        }
    }
    b->circuit_->log().clear();
    return b;
}

bool SimBackend::saveChipFile(std::string* error) {
    if (!chipFromFile_ || chip() == nullptr) {
        return true;
    }
    // Unchanged memories leave the file as it is, byte for byte.
    std::vector<std::uint16_t> now = chip()->contents();
    if (now == saved_) {
        return true;
    }
    if (!pk::sim::saveChipFile(*chip(), options_.chipFile, error)) {
        return false;
    }
    saved_ = std::move(now);
    return true;
}

}  // namespace pk::sim
