#include "device/family.h"

#include <array>
#include <cctype>

#include "device/families/baseline/family.h"
#include "device/families/midrange14/family.h"
#include "device/families/pic18/family.h"

namespace pk {

std::string Part::listText() const {
    return family != nullptr ? family->listText(row) : std::string();
}

Identification ChipFamily::probe(Session& /*s*/) const {
    Identification none;
    none.outcome = Outcome::NoChip;
    return none;
}

std::span<const ChipFamily* const> chipFamilies() {
    static const std::array<const ChipFamily*, 3> families{&midrange14Family(), &pic18Family(),
                                                           &baselineFamily()};
    return families;
}

std::vector<Part> allParts() {
    std::vector<Part> parts;
    for (const ChipFamily* f : chipFamilies()) {
        for (std::int32_t row = 0; row < f->partCount(); ++row) {
            parts.push_back(Part{f, row, false});
        }
    }
    return parts;
}

std::optional<Part> partAt(std::int32_t listIndex) {
    for (const ChipFamily* f : chipFamilies()) {
        if (listIndex >= 0 && listIndex < f->partCount()) {
            return Part{f, listIndex, false};
        }
        listIndex -= f->partCount();
    }
    return std::nullopt;
}

std::int32_t listIndexOf(const Part& part) {
    std::int32_t first = 0;
    for (const ChipFamily* f : chipFamilies()) {
        if (f == part.family) {
            return first + part.row;
        }
        first += f->partCount();
    }
    return -1;
}

std::optional<Part> findPart(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const ChipFamily* f : chipFamilies()) {
        if (auto part = f->partByName(lower)) {
            return part;
        }
    }
    return std::nullopt;
}

std::string allPartNames() {
    std::string all;
    for (const Part& p : allParts()) {
        for (const std::string& n : p.family->typeNames(p.row)) {
            all.append(all.empty() ? "" : ", ").append(n);
        }
    }
    return all;
}

namespace {

// The family that detects the chip in its own commands.
const ChipFamily* detectingFamily() {
    for (const ChipFamily* f : chipFamilies()) {
        if (!f->asksFirst() && f->recognisable()) {
            return f;
        }
    }
    return nullptr;
}

}  // namespace

CommandResult runCommand(Session& s, Command c, const std::optional<Part>& part,
                         const CommandOptions& options) {
    if (part) {
        return part->family->run(s, c, &*part, options);
    }
    CommandResult r;
    // The file's form before a detection puts any voltage on the chip.
    if (c == Command::Burn || c == Command::Verify) {
        r.outcome = gateHexFile(s.chip, options.path, nullptr,
                                c == Command::Burn ? FileUse::Burn : FileUse::Compare,
                                options.acceptDoubtfulFile);
        if (r.outcome != Outcome::Ok) {
            return r;
        }
    }
    for (const ChipFamily* f : chipFamilies()) {
        if (!f->asksFirst()) {
            continue;
        }
        const Identification found = f->probe(s);
        if (found.outcome == Outcome::NoChip) {
            continue;
        }
        if (!found.message.empty()) {
            s.report().message(found.message);
        }
        if (found.outcome != Outcome::Ok || !found.part) {
            r.outcome = found.outcome == Outcome::Ok ? Outcome::WrongType : found.outcome;
            return r;
        }
        if (options.partAccepted && !options.partAccepted(*found.part)) {
            r.outcome = Outcome::Cancelled;
            return r;
        }
        return f->run(s, c, &*found.part, options);
    }
    if (const ChipFamily* f = detectingFamily()) {
        return f->run(s, c, nullptr, options);
    }
    r.outcome = Outcome::NoChip;
    return r;
}

Identification identifyChip(Session& s, const std::optional<Part>& part) {
    if (part) {
        return part->family->identify(s, &*part);
    }
    for (const ChipFamily* f : chipFamilies()) {
        if (!f->asksFirst()) {
            continue;
        }
        Identification found = f->identify(s, nullptr);
        if (found.outcome != Outcome::NoChip) {
            return found;
        }
    }
    if (const ChipFamily* f = detectingFamily()) {
        Identification found = f->identify(s, nullptr);
        if (found.outcome == Outcome::NoChip) {
            // A chip that cannot be recognised may still be in the socket.
            for (const ChipFamily* other : chipFamilies()) {
                if (const std::string hint = other->unrecognisedHint(); !hint.empty()) {
                    found.message.append(found.message.empty() ? "" : "\r\r").append(hint);
                }
            }
        }
        return found;
    }
    Identification none;
    none.outcome = Outcome::NoChip;
    return none;
}

}  // namespace pk
