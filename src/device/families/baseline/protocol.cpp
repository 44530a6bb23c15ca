#include "device/families/baseline/protocol.h"

#include <chrono>

#include "link/frames.h"

namespace pk::baseline {

namespace {

// TPROG (the longest a programming cycle may need), TDIS after End
// Programming, TERA (the longest a bulk erase may need).
constexpr std::chrono::microseconds kProgram{2000};
constexpr std::chrono::microseconds kDischarge{100};
constexpr std::chrono::microseconds kErase{10000};

}  // namespace

Walker::~Walker() {
    if (inside_) {
        try {
            link_.EndProgmode();
        } catch (...) {
            try {
                link_.safeIdle();
            } catch (...) {
            }
        }
    }
}

void Walker::enter() {
    if (inside_) {
        leave();
    }
    link_.StartProgmode(EntryOrder::VddFirst);
    inside_ = true;
    pc_ = d_.configAddress;
}

void Walker::leave() {
    inside_ = false;
    link_.EndProgmode();
}

void Walker::to(std::uint16_t address) {
    if (!inside_ || address == d_.configAddress || (pc_ != d_.configAddress && address < pc_)) {
        enter();
    }
    if (address == d_.configAddress) {
        return;
    }
    if (pc_ == d_.configAddress) {
        link_.Kommando(cmd::IncrementAddress);  // from the configuration word to 0
        pc_ = 0;
    }
    while (pc_ < address) {
        link_.Kommando(cmd::IncrementAddress);
        ++pc_;
    }
}

std::uint16_t Walker::readRaw() {
    link_.Kommando(cmd::ReadDataFromProgramMemory);
    return link_.RdDaten();
}

void Walker::load(std::uint16_t word) {
    link_.Kommando(cmd::LoadDataForProgramMemory);
    link_.WrDaten(static_cast<std::uint16_t>(word & kWordMask));
}

void Walker::program() {
    link_.Kommando(cmd::BeginEraseProgrammingCycle);
    clock_.sleepFor(kProgram);
    link_.Kommando(cmd::EndProgramming);
    clock_.sleepFor(kDischarge);
}

void Walker::bulkErase() {
    link_.Kommando(cmd::BulkEraseProgramMemory);
    clock_.sleepFor(kErase);
}

}  // namespace pk::baseline
