// The PIC18F routines that change the chip: burning, the chip erase and the
// protection removal, each with its check afterwards.

#include <algorithm>
#include <array>

#include "device/p18_ops.h"
#include "device/p18_ops_parts.h"

namespace pk {

namespace {

// The configuration bytes in the order they are written: CONFIG6H holds WRTC,
// which once 0 blocks every later configuration write, so it goes last.
constexpr std::array<int, 14> kConfigOrder{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 11};

}  // namespace

// ---- Burn -------------------------------------------------------------------

bool P18Ops::burnProgram(const P18Device& d, ByteImage& image) {
    const auto file = image.area(image.HexBytes, ByteArea::Program);
    const auto back = image.area(image.ReadBack, ByteArea::Program);
    const std::uint32_t size = d.writeBuffer;
    Bracket b(*this);
    selectSinglePanel(d);
    for (std::uint32_t row = 0; row < d.programBytes; row += size) {
        const auto first = file.begin() + row;
        if (std::none_of(first, first + size, present)) {
            continue;
        }
        std::vector<std::uint8_t> bytes(size);
        for (std::uint32_t i = 0; i < size; ++i) {
            // Bytes the file leaves out inside a row are written as 0xFF: programming
            // only clears bits, so the erased cell stays as it was.
            bytes[i] = present(file[row + i]) ? static_cast<std::uint8_t>(file[row + i]) : 0xFF;
        }
        report_.setPanel(0, p18AddressText(row));
        writeBuffer(d, row, bytes);
        const auto read = readBytes(row, size);
        bool ok = true;
        for (std::uint32_t i = 0; i < size; ++i) {
            back[row + i] = read[i];
            if (present(file[row + i]) && read[i] != file[row + i]) {
                // One message per row is enough.
                fail(Area::Program, row + i, bytes[i], read[i], WordFailure::Check::Written, ok);
                ok = false;
            }
        }
        progress(row + size, d.programBytes);
        if (!ok) {
            b.close();
            return false;
        }
    }
    b.close();
    return true;
}

bool P18Ops::burnIds(const P18Device& d, ByteImage& image) {
    const auto file = image.area(image.HexBytes, ByteArea::Id);
    const auto back = image.area(image.ReadBack, ByteArea::Id);
    if (std::none_of(file.begin(), file.end(), present)) {
        return true;
    }
    // The eight ID bytes fill the start of one buffer, whatever its size.
    std::vector<std::uint8_t> bytes(p18addr::kIdBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = present(file[i]) ? static_cast<std::uint8_t>(file[i]) : 0xFF;
    }
    Bracket b(*this);
    selectSinglePanel(d);
    report_.setPanel(0, p18AddressText(p18addr::kIds));
    writeBuffer(d, p18addr::kIds, bytes);
    const auto read = readBytes(p18addr::kIds, p18addr::kIdBytes);
    b.close();
    bool ok = true;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        back[i] = read[i];
        if (present(file[i]) && read[i] != file[i]) {
            fail(Area::Id, p18addr::kIds + static_cast<std::uint32_t>(i), bytes[i], read[i],
                 WordFailure::Check::Written, ok);
            ok = false;
        }
    }
    return ok;
}

bool P18Ops::burnEeprom(const P18Device& d, ByteImage& image,
                        const std::vector<std::uint16_t>& bytes) {
    const auto back = image.area(image.ReadBack, ByteArea::Eeprom);
    Bracket b(*this);
    for (std::uint32_t n = 0; n < bytes.size(); ++n) {
        if (!present(bytes[n])) {
            continue;
        }
        const auto value = static_cast<std::uint8_t>(bytes[n]);
        report_.setPanel(0, p18AddressText(p18addr::kEeprom + n));
        const bool done = writeEepromByte(d, n, value);
        const std::uint8_t read = readEepromByte(n);
        back[n] = read;
        if (!done || read != value) {
            if (!done) {
                report_.message(kP18WrStuckText);
            }
            fail(Area::Data, p18addr::kEeprom + n, value, read, WordFailure::Check::Written, true);
            b.close();
            return false;
        }
    }
    b.close();
    return true;
}

bool P18Ops::burnConfig(const P18Device& d, ByteImage& image) {
    const auto file = image.area(image.HexBytes, ByteArea::Config);
    const auto back = image.area(image.ReadBack, ByteArea::Config);
    bool ok = true;
    Bracket b(*this);
    for (int i : kConfigOrder) {
        const auto n = static_cast<std::size_t>(i);
        const std::uint8_t mask = d.configMask[n];
        // A byte the part does not have is neither written nor compared (it reads 0).
        if (mask == 0 || !present(file[n])) {
            continue;
        }
        const auto wanted = static_cast<std::uint8_t>(file[n] & mask);
        report_.setPanel(0, p18AddressText(p18addr::kConfig + n));
        writeConfigByte(d, i, static_cast<std::uint8_t>(file[n]));
        const std::uint8_t read = static_cast<std::uint8_t>(
            readBytes(p18addr::kConfig + static_cast<std::uint32_t>(i), 1)[0] & mask);
        back[n] = read;
        if (read != wanted) {
            fail(Area::Config, p18addr::kConfig + static_cast<std::uint32_t>(i), wanted, read,
                 WordFailure::Check::Written, true);
            ok = false;
        }
    }
    b.close();
    return ok;
}

CommandResult P18Ops::burn(const P18Device& d, ByteImage& image, const P18BurnOptions& options) {
    CommandResult r;
    if (image.regions() != p18Regions(d)) {
        report_.message(kP18ImageMismatchText);
        r.outcome = Outcome::FileUnusable;
        return r;
    }
    std::unique_ptr<Bracket> session;
    r.outcome = begin(d, r, &session);
    if (r.outcome != Outcome::Ok) {
        finish(r, &session);
        return r;
    }
    r.dataIncluded = options.includeData && d.eepromBytes > 0;
    std::fill(image.ReadBack.begin(), image.ReadBack.end(), ByteImage::AbsentByte);
    std::vector<std::uint16_t> eeprom;
    if (d.eepromBytes > 0) {
        const auto file = image.area(image.HexBytes, ByteArea::Eeprom);
        if (options.includeData) {
            eeprom.assign(file.begin(), file.end());
        } else {
            // The chip erase takes the EEPROM along: what it holds is kept aside,
            // but only when two reads agree; written back are the bytes not blank.
            std::vector<std::uint8_t> first;
            std::vector<std::uint8_t> second;
            {
                Bracket b(*this);
                first = readEeprom(d);
                b.close();
            }
            {
                Bracket b(*this);
                second = readEeprom(d);
                b.close();
            }
            if (first != second) {
                for (std::uint32_t n = 0; n < d.eepromBytes; ++n) {
                    if (first[n] != second[n]) {
                        fail(Area::Data, p18addr::kEeprom + n, first[n], second[n],
                             WordFailure::Check::ReadTwice, false);
                    }
                }
                report_.message(kEepromUnstableText);
                finish(r, &session);
                return r;
            }
            eeprom.assign(d.eepromBytes, ByteImage::AbsentByte);
            for (std::uint32_t n = 0; n < d.eepromBytes; ++n) {
                if (first[n] != 0xFF) {
                    eeprom[n] = first[n];
                }
            }
        }
    }
    progress(0, 1);
    {
        Bracket b(*this);
        bulkErase(d, d.family->chipErase);
        b.close();
    }
    const bool ok = burnProgram(d, image) && burnIds(d, image) &&
                    (eeprom.empty() || burnEeprom(d, image, eeprom)) && burnConfig(d, image);
    (void)ok;
    finish(r, &session);
    return r;
}

// ---- Erase and protection removal ---------------------------------------------

std::int32_t P18Ops::blankCheck(const P18Device& d, bool unprotecting) {
    const auto all = readAll(d);
    const ByteRegions regions = p18Regions(d);
    std::int32_t found = 0;
    std::optional<WordFailure> first;
    for (ByteArea area : kByteAreas) {
        const ByteAreaPlace p = regions.place(area);
        for (std::uint32_t i = 0; i < p.size; ++i) {
            const std::uint16_t read = all[p.first + i];
            std::uint8_t blank = 0xFF;
            if (area == ByteArea::Config) {
                const std::uint8_t mask = d.configMask[i];
                if (mask == 0) {
                    continue;
                }
                // The chip erase leaves every configuration byte at its erased
                // value, the protection bits unprotected.
                blank = d.configErased[i];
            }
            if (read != blank) {
                ++found;
                fail(areaOf(p.base + i), p.base + i, blank, static_cast<std::uint8_t>(read),
                     WordFailure::Check::VerifyPass, false);
                if (!first) {
                    first = report_.failures().back();
                }
            }
        }
    }
    if (first) {
        const bool protectionLeft = unprotecting && first->area == Area::Config;
        report_.message(std::string(kP18NotBlankText) +
                        p18AddressText(static_cast<std::uint32_t>(first->address)) + ": " +
                        hexByte(first->wanted) + " erwartet, " + hexByte(first->read) +
                        " gelesen (" + std::to_string(found) + " Byte(s))." +
                        (protectionLeft ? std::string(" ") + kP18ProtectionLeftText : ""));
    }
    return found;
}

bool P18Ops::eraseChecked(const P18Device& d, CommandResult& r, bool unprotecting,
                          std::unique_ptr<Bracket>& session) {
    r.outcome = begin(d, r, &session);
    if (r.outcome != Outcome::Ok) {
        return false;
    }
    r.dataIncluded = d.eepromBytes > 0;
    progress(0, 2);
    {
        Bracket b(*this);
        bulkErase(d, d.family->chipErase);
        b.close();
    }
    progress(1, 2);
    return blankCheck(d, unprotecting) == 0;
}

CommandResult P18Ops::erase(const P18Device& d) {
    CommandResult r;
    std::unique_ptr<Bracket> session;
    if (eraseChecked(d, r, false, session)) {
        report_.setPanel(1, kEraseDoneText);
    }
    finish(r, &session);
    return r;
}

CommandResult P18Ops::unprotect(const P18Device& d) {
    CommandResult r;
    std::unique_ptr<Bracket> session;
    if (eraseChecked(d, r, true, session)) {
        // The protection state as the chip reports it after a new entry, where
        // it takes its protection from the configuration bytes again.
        session->close();
        session.reset();
        const P18Detection now = detect();
        if (now.protection.any()) {
            report_.message(kP18ProtectionLeftText);
            ++errors_.ConfigIdErrorCount;
        } else {
            report_.setPanel(1, kUnprotectDoneText);
        }
    }
    finish(r, &session);
    return r;
}

}  // namespace pk
