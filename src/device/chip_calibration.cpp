// The factory calibration of the 12F629/675 and 16F630/676: the oscillator
// calibration word (a RETLW k at 0x3FF) and the bandgap bits of the
// configuration word. The bulk erase wipes both, and the chip runs off-frequency
// and with a wrong brown-out threshold without them, so they are read before
// every erase and written back after it. A value that cannot be trusted stops
// the erase: a lost calibration cannot be measured again here.

#include <string>

#include "device/chip_ops.h"

namespace pk {

namespace {

std::string hex4(std::uint16_t w) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s = "0x0000";
    for (int i = 0; i < 4; ++i) {
        s[static_cast<std::size_t>(5 - i)] = kDigits[(w >> (4 * i)) & 0xF];
    }
    return s;
}

}  // namespace

std::uint16_t ChipOps::withCalibration(std::uint16_t word) const {
    const Calibration& cal = row().calibration;
    if (!cal.any() || !keptCalibration_) {
        return word;
    }
    const std::uint16_t own = row().config().implemented & ~cal.configBits;
    return static_cast<std::uint16_t>((word & own) | keptCalibration_->configBits);
}

std::optional<ChipOps::CalibrationValues> ChipOps::ReadCalibration() {
    const Calibration& cal = row().calibration;
    forgetCalibration();
    const auto refuse = [this](const std::string& text, std::int32_t& counter) {
        counter += 1;
        calibrationRefused_ = true;
        setGaugeColour(RunGaugeColour::Red);
        report_.message(text);
        return std::nullopt;
    };
    if (settings_.QuickAndDirty) {
        return refuse(kCalibrationNoReadText, errors_.ProgramErrorCount);
    }
    // One pass from address 0: up to the calibration word, then over to the
    // configuration word. A new entry brings the counter back for the next.
    const auto pass = [&] {
        CalibrationValues v;
        for (std::int32_t a = 0; a < cal.word; ++a) {
            link_.Kommando(cmd::IncrementAddress);
        }
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        v.word = link_.RdDaten();
        link_.Kommando(cmd::LoadConfiguration);
        link_.WrDaten(0x3FFF);
        for (int k = 0; k < 7; ++k) {
            link_.Kommando(cmd::IncrementAddress);
        }
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        v.configBits = link_.RdDaten();
        link_.EndProgmode();
        StartProgmode();
        return v;
    };
    const CalibrationValues first = pass();
    const CalibrationValues second = pass();
    if (first.word != second.word || first.configBits != second.configBits) {
        return refuse(kCalibrationUnstableText, first.word != second.word
                                                    ? errors_.ProgramErrorCount
                                                    : errors_.ConfigIdErrorCount);
    }
    // A silent data line reads all ones (or all zeros), and neither is a RETLW;
    // nor is a word some earlier erase left blank.
    if (!isRetlw(first.word) || first.configBits == 0x3FFF) {
        return refuse(std::string(kCalibrationMissingText) + hex4(first.word) + " an " +
                          hex4(static_cast<std::uint16_t>(cal.word)) + ", Configuration " +
                          hex4(first.configBits),
                      errors_.ProgramErrorCount);
    }
    keptCalibration_ = CalibrationValues{
        first.word, static_cast<std::uint16_t>(first.configBits & cal.configBits)};
    return keptCalibration_;
}

void ChipOps::RestoreCalibration(bool config) {
    const Calibration& cal = row().calibration;
    if (!cal.any() || !keptCalibration_) {
        return;
    }
    link_.EndProgmode();
    StartProgmode();
    for (std::int32_t a = 0; a < cal.word; ++a) {
        link_.Kommando(cmd::IncrementAddress);
    }
    const bool qd = settings_.QuickAndDirty;
    link_.Kommando(cmd::LoadDataForProgramMemory);
    link_.WrDaten(keptCalibration_->word);
    link_.Kommando(row().programCmd);
    sleepFor(waits().program);
    if (!qd) {
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        const std::uint16_t r = link_.RdDaten();
        image_.ReadBack.at(static_cast<std::size_t>(cal.word)) = r;
        if (r != keptCalibration_->word) {
            failProgram(cal.word, keptCalibration_->word, r, WordFailure::Check::Calibration);
        }
    }
    if (!config) {
        return;
    }
    // Blank but for the kept bits; the erase left ones there, and 8 clears bits.
    const std::uint16_t word = withCalibration(0x3FFF);
    link_.Kommando(cmd::LoadConfiguration);
    link_.WrDaten(0x3FFF);
    for (int k = 0; k < 7; ++k) {
        link_.Kommando(cmd::IncrementAddress);
    }
    link_.Kommando(cmd::LoadDataForProgramMemory);
    link_.WrDaten(word);
    link_.Kommando(row().programCmd);
    sleepFor(waits().config);
    if (!qd) {
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        const std::uint16_t r = link_.RdDaten();
        image_.ReadBack.at(MemoryImage::ConfigAddr) = r;
        if (r != word) {
            errors_.ConfigIdErrorCount += 1;
            setGaugeColour(RunGaugeColour::Red);
            report_.failure({Area::Config, MemoryImage::ConfigAddr, word, r});
        }
    }
}

}  // namespace pk
