// Detection: the device ID word at 0x2006 names the chip and its revision, the
// configuration word next to it tells whether the chip is code-protected.

#include <algorithm>
#include <optional>
#include <vector>

#include "device/chip_ops.h"

namespace pk {

namespace {

// A protected chip clears its CP bits; detection reads the copy the table names.
bool flashProtected(std::int32_t type, std::uint16_t config) {
    const ConfigWordFacts& c = deviceInfo(type)->config();
    return (config & c.cpDetect) != c.cpDetect;
}

bool eepromProtected(std::int32_t type, std::uint16_t config) {
    // The 16F84 has no separate data protection, the 16F7x no EEPROM at all.
    const ConfigWordFacts& c = deviceInfo(type)->config();
    return c.cpd != 0 && (config & c.cpd) != c.cpd;
}

}  // namespace

IdWords readIdWords(ProgrammerLink& link, Clock& clock, EntryOrder order,
                    const std::function<void()>& alongFirst, std::array<std::uint16_t, 4>* ids,
                    bool vddOffFirst) {
    IdWords w;
    // The classic timing rests 1 ms after each step to the ID; the chips ask
    // no wait after an increment (1 us between frames).
    const bool rest = !link.bus().dataSheetTiming();
    const auto step = [&] {
        link.Kommando(cmd::IncrementAddress);
        if (rest) {
            clock.sleepMs(1);
        }
    };
    link.StartProgmode(order, vddOffFirst);
    if (alongFirst) {
        alongFirst();
    }
    // All ones: the 16F785 takes no other word with Load Configuration, and the
    // chips that latch it program nothing before the next entry anyway.
    link.Kommando(cmd::LoadConfiguration);
    link.WrDaten(0x3FFF);
    for (int k = 0; k < 6; ++k) {
        if (ids != nullptr && k < 4) {
            link.Kommando(cmd::ReadDataFromProgramMemory);
            (*ids)[static_cast<std::size_t>(k)] = link.RdDaten() & 0x000F;
        }
        step();
    }
    link.Kommando(cmd::ReadDataFromProgramMemory);
    w.id = link.RdDaten();
    step();
    link.Kommando(cmd::ReadDataFromProgramMemory);
    w.config = link.RdDaten();
    // The words after it only on a chip that has them: a second configuration
    // word, the factory's calibration.
    w.found = lookupDeviceId(w.id);
    if (!w.found.noChip && !w.found.unknown) {
        const DeviceInfo& d = *deviceInfo(w.found.type);
        for (std::uint16_t a = 0x2008; a <= 0x2009; ++a) {
            const bool second = d.hasConfig2() && d.config2().address == a;
            if (!second && !d.isFactoryWord(a)) {
                break;
            }
            link.Kommando(cmd::IncrementAddress);
            link.Kommando(cmd::ReadDataFromProgramMemory);
            const std::uint16_t word = link.RdDaten();
            if (second) {
                w.config2 = word;
            } else {
                w.factory[d.factoryWords[0] == a ? 0 : 1] = word;
                link.Kommando(cmd::ReadDataFromProgramMemory);
                w.factoryTwice = w.factoryTwice && link.RdDaten() == word;
            }
        }
    }
    link.EndProgmode();
    return w;
}

EntryOrder ChipOps::entryOrder() const {
    return ProgrammingMode::orderFor(link_.bus().circuit(), row().entryOrder);
}

void ChipOps::StartProgmode() {
    const EntryOrder wanted = row().entryOrder;
    const EntryOrder used = entryOrder();
    if (used != wanted && wanted != EntryOrder::VddFirst && entryNoteType_ != device_.CurrentType) {
        entryNoteType_ = device_.CurrentType;
        report_.setPanel(1, kEntryOrderText);
    }
    link_.StartProgmode(used, row().vddOffFirst);
    if (settings_.Timing == TimingMode::DataSheet) {
        link_.bus().setFrameGap(row().times.dataSheet.frameGap);
    }
}

Detection ChipOps::Autodetect(Probe probe, bool readAlong, bool programAlong) {
    Detection det;
    // Program memory first where the counter can go on from its end to data
    // byte 0, else after the EEPROM where it can go on to word 0.
    std::int32_t programRead = -1;
    const auto alongFirst = [&] {
        const std::int32_t last = lastWordToRead(false);
        const bool data = device_.DataLastAddr >= 0;
        if (programAlong && (!data || stepsTo(PassStart::DataByte, last + 1))) {
            ReadProgram(false);
            programRead = last;
            if (data) {
                countOnTo(PassStart::DataByte);
            }
        }
        ReadData();
        if (programAlong && programRead < 0 && countOnTo(PassStart::ProgramWord)) {
            ReadProgram(false);
            programRead = last;
        }
    };
    // A chip of the selected type is entered in its own order from the start.
    // VPP first goes against the entry rules of the chips that ask VDD first,
    // so it is tried only where nothing answered and the type check has not
    // named a chip: a chip running its own program answers to nothing else.
    std::vector<EntryOrder> orders;
    if (probe != Probe::Unknown) {
        orders.push_back(entryOrder());
    }
    orders.push_back(EntryOrder::VddFirst);
    if (probe != Probe::SelectedType) {
        // VPP right after VDD still is a VDD-first entry for every chip; a 16F87/88
        // or 16F818/819 running its own program answers only to that.
        const Circuit& circuit = link_.bus().circuit();
        orders.push_back(ProgrammingMode::orderFor(circuit, EntryOrder::VddThenVppFast));
        orders.push_back(ProgrammingMode::orderFor(circuit, EntryOrder::VppFirst));
    }
    IdWords read;
    std::vector<EntryOrder> tried;
    std::array<std::uint16_t, 4> ids{};
    for (const EntryOrder order : orders) {
        if (std::find(tried.begin(), tried.end(), order) != tried.end()) {
            continue;
        }
        tried.push_back(order);
        const bool along = readAlong && tried.size() == 1;
        // The selected type's own entry is left its own way too.
        const bool offFirst = probe != Probe::Unknown && order == entryOrder() && row().vddOffFirst;
        read = along ? readIdWords(link_, clock_, order, alongFirst, &ids, offFirst)
                     : readIdWords(link_, clock_, order, {}, nullptr, offFirst);
        det.readAlong = along;
        det.programReadTo = along ? programRead : -1;
        const bool silent = read.found.noChip && read.config == 0x3FFF;
        if (!silent) {
            break;
        }
    }
    if (det.readAlong) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            image_.ReadBack.at(MemoryImage::IdBase + i) = ids[i];
        }
        image_.ReadBack.at(MemoryImage::ConfigAddr) = read.config;
        image_.ReadBack.at(MemoryImage::Config2Addr) = row().hasConfig2() ? read.config2 : 0xFFFF;
    }
    const IdLookup& found = read.found;
    det.found = found;
    det.idWord = read.id;
    det.config = read.config;
    det.config2 = read.config2;
    det.factoryWords = read.factory;
    CheckedFactoryWords.reset();
    if (probe == Probe::SelectedType && read.factoryTwice && found.type == device_.CurrentType &&
        !found.noChip && !found.unknown && row().hasFactoryWords()) {
        CheckedFactoryWords = read.factory;
    }
    device_.Is84A = found.is84A;
    report_.setPanel(1, "");
    if (found.noChip) {
        // A 16F84 has no device ID either, so it is the type to offer.
        report_.setPanel(1, kNoChipText);
    }
    report_.setPanel(0, kRevisionPrefix + det.revisionText());
    if (!found.noChip && !found.unknown) {
        if (const std::string f = factoryWordsText(*deviceInfo(found.type), read.factory);
            !f.empty()) {
            report_.setPanel(1, f);
        }
    }
    det.flashProtected = flashProtected(found.type, read.config);
    det.eepromProtected = eepromProtected(found.type, read.config);
    report_.showCodeProtection(det.flashProtected, det.eepromProtected);
    return det;
}

bool ChipOps::checkSelectedType() {
    // That circuit cannot read the chip, so there is nothing to check against.
    if (settings_.QuickAndDirty) {
        return true;
    }
    if (Autodetect(Probe::SelectedType).type() != device_.CurrentType) {
        report_.message(kWrongTypeText);
        return false;
    }
    return true;
}

}  // namespace pk
