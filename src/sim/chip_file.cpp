#include "sim/chip_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace pk::sim {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

void fail(std::string* error, std::string text) {
    if (error != nullptr) {
        *error = std::move(text);
    }
}

}  // namespace

bool readIntelHex(const std::string& text, std::map<std::uint32_t, std::uint8_t>& bytes,
                  std::string* error) {
    std::istringstream in(text);
    std::string line;
    std::uint32_t upper = 0;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        const std::string where = "line " + std::to_string(lineNo);
        if (line[0] != ':' || line.size() < 11 || (line.size() - 1) % 2 != 0) {
            fail(error, where + ": not an Intel HEX record");
            return false;
        }
        std::vector<std::uint8_t> rec;
        for (std::size_t i = 1; i + 1 < line.size(); i += 2) {
            const int hi = hexDigit(line[i]);
            const int lo = hexDigit(line[i + 1]);
            if (hi < 0 || lo < 0) {
                fail(error, where + ": not a hex digit");
                return false;
            }
            rec.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        }
        const std::size_t count = rec[0];
        if (rec.size() != count + 5) {
            fail(error, where + ": wrong record length");
            return false;
        }
        unsigned sum = 0;
        for (std::uint8_t b : rec) {
            sum += b;
        }
        if ((sum & 0xFF) != 0) {
            fail(error, where + ": checksum error");
            return false;
        }
        const std::uint32_t offset = static_cast<std::uint32_t>(rec[1] << 8 | rec[2]);
        switch (rec[3]) {
            case 0x00:
                for (std::size_t i = 0; i < count; ++i) {
                    bytes[upper + ((offset + i) & 0xFFFF)] = rec[4 + i];
                }
                break;
            case 0x01:
                return true;
            case 0x02:
            case 0x04:
                if (count != 2) {
                    fail(error, where + ": wrong address record");
                    return false;
                }
                upper = static_cast<std::uint32_t>(rec[4] << 8 | rec[5]);
                upper = rec[3] == 0x02 ? upper << 4 : upper << 16;
                break;
            default:
                break;  // start addresses mean nothing to a chip
        }
    }
    return true;
}

std::string writeIntelHex(const std::map<std::uint32_t, std::uint8_t>& bytes) {
    std::string out;
    char buf[32];
    std::uint32_t upper = 0;
    auto it = bytes.begin();
    while (it != bytes.end()) {
        const std::uint32_t start = it->first;
        if ((start >> 16) != upper) {
            upper = start >> 16;
            const unsigned sum = 2 + 4 + (upper >> 8) + (upper & 0xFF);
            std::snprintf(buf, sizeof buf, ":02000004%04X%02X\n", upper,
                          (0x100 - (sum & 0xFF)) & 0xFF);
            out += buf;
        }
        // Up to 16 consecutive bytes in one record, never across a 64K boundary.
        std::vector<std::uint8_t> data;
        std::uint32_t next = start;
        while (it != bytes.end() && it->first == next && data.size() < 16 &&
               (next >> 16) == upper) {
            data.push_back(it->second);
            ++next;
            ++it;
        }
        unsigned sum = static_cast<unsigned>(data.size()) + ((start >> 8) & 0xFF) + (start & 0xFF);
        std::snprintf(buf, sizeof buf, ":%02X%04X00", static_cast<unsigned>(data.size()),
                      start & 0xFFFF);
        out += buf;
        for (std::uint8_t b : data) {
            std::snprintf(buf, sizeof buf, "%02X", b);
            out += buf;
            sum += b;
        }
        std::snprintf(buf, sizeof buf, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
        out += buf;
    }
    out += ":00000001FF\n";
    return out;
}

bool loadChipFile(SimChip& chip, const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fail(error, path + ": cannot be read");
        return false;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    std::map<std::uint32_t, std::uint8_t> bytes;
    std::string why;
    if (!readIntelHex(ss.str(), bytes, &why)) {
        fail(error, path + ": " + why);
        return false;
    }
    // Pair the bytes into words; a lone byte keeps the other half erased.
    std::map<int, std::uint16_t> words;
    for (const auto& [addr, b] : bytes) {
        const int w = static_cast<int>(addr / 2);
        auto [pos, fresh] = words.try_emplace(w, 0xFFFF);
        pos->second = (addr & 1) != 0 ? static_cast<std::uint16_t>((pos->second & 0x00FF) | b << 8)
                                      : static_cast<std::uint16_t>((pos->second & 0xFF00) | b);
    }
    const ChipModel& model = chip.model();
    for (const auto& [w, v] : words) {
        const bool program = w < model.programWords;
        const bool idOrConfig = (w >= 0x2000 && w <= 0x2003) || w == 0x2007;
        const bool data = w >= 0x2100 && w < 0x2100 + model.eepromBytes;
        if (program || idOrConfig || data) {
            chip.setWord(w, v);
        }
    }
    return true;
}

bool saveChipFile(const SimChip& chip, const std::string& path, std::string* error) {
    const ChipModel& model = chip.model();
    std::map<std::uint32_t, std::uint8_t> bytes;
    auto put = [&](int w) {
        const std::uint16_t v = chip.word(w);
        bytes[static_cast<std::uint32_t>(2 * w)] = static_cast<std::uint8_t>(v & 0xFF);
        bytes[static_cast<std::uint32_t>(2 * w + 1)] = static_cast<std::uint8_t>(v >> 8);
    };
    for (int w = 0; w < model.programWords; ++w) {
        put(w);
    }
    for (int w = 0x2000; w <= 0x2003; ++w) {
        put(w);
    }
    put(0x2007);
    for (int n = 0; n < model.eepromBytes; ++n) {
        put(0x2100 + n);
    }
    const std::string text = writeIntelHex(bytes);

    std::string tmp = path + ".XXXXXX";
    const int fd = mkstemp(tmp.data());
    if (fd < 0) {
        fail(error, path + ": " + std::strerror(errno));
        return false;
    }
    // mkstemp makes the file private; give it the permissions a new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    int savedErrno = ok ? 0 : errno;
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        std::remove(tmp.c_str());
        fail(error, path + ": " + std::strerror(savedErrno));
    }
    return ok;
}

}  // namespace pk::sim
