#include "settings/settings_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "link/circuit.h"

namespace pk {

std::int32_t SettingsRecord::int32At(std::size_t offset) const {
    const std::uint32_t v = static_cast<std::uint32_t>(bytes[offset]) |
                            static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
                            static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
                            static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
    return static_cast<std::int32_t>(v);
}

void SettingsRecord::setInt32At(std::size_t offset, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (std::size_t k = 0; k < 4; ++k) {
        bytes[offset + k] = static_cast<std::uint8_t>(v >> (8 * k));
    }
}

void SettingsRecord::applyTo(ProgrammerSettings& s) const {
    s.DriverIndex = int32At(8);
    s.SwitchIndex = int32At(12);
    s.QuickAndDirty = bytes[16] != 0;
    s.ModelK1 = bytes[17] != 0;
    s.AutoSpeed = bytes[18] != 0;
    // Older files leave the byte 0; only a 1 chooses the data-sheet timing.
    s.Timing = bytes[TimingOffset] == 1 ? TimingMode::DataSheet : TimingMode::Classic;
    // Older files leave it 0; a value no circuit gives is not taken either.
    const int vpp = bytes[VppOffset];
    s.VppTenths =
        vpp >= ProgrammerSettings::kMinVppTenths && vpp <= ProgrammerSettings::kMaxVppTenths
            ? vpp
            : ProgrammerSettings::kDefaultVppTenths;
    if (!s.AutoSpeed) {
        s.DelayCount = int32At(20);
    }
}

void SettingsRecord::fillFrom(const ProgrammerSettings& s) {
    setInt32At(0, CurrentVersion);
    setInt32At(8, s.DriverIndex);
    setInt32At(12, s.SwitchIndex);
    bytes[16] = s.QuickAndDirty ? 1 : 0;
    bytes[17] = s.ModelK1 ? 1 : 0;
    bytes[18] = s.AutoSpeed ? 1 : 0;
    bytes[TimingOffset] = s.Timing == TimingMode::DataSheet ? 1 : 0;
    bytes[VppOffset] = static_cast<std::uint8_t>(s.VppTenths);
    setInt32At(20, s.DelayCount);
}

std::string SettingsFilePath() {
    std::string dir;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        dir = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw != nullptr ? pw->pw_dir : nullptr;
        }
        dir = std::string(home != nullptr ? home : "") + "/.config";
    }
    if (dir.empty() || dir.back() != '/') {
        dir += '/';
    }
    return dir + "PKorvel.ini";
}

bool LoadSettingsFile(const std::string& path, SettingsRecord& record, ProgrammerSettings& settings,
                      std::string* refusal) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Only the first record counts; never read more than its 24 bytes.
    std::array<std::uint8_t, SettingsRecord::Size> buf{};
    std::size_t got = 0;
    bool failed = false;
    while (got < buf.size()) {
        const ssize_t n = ::read(fd, buf.data() + got, buf.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            failed = n < 0 || got < buf.size();
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (failed || got != buf.size()) {
        return false;
    }
    record.bytes = buf;
    if (record.version() != SettingsRecord::CurrentVersion) {
        return false;
    }
    const std::int32_t driver = settings.DriverIndex;
    const std::int32_t sw = settings.SwitchIndex;
    record.applyTo(settings);
    if (const auto why = circuitRefusal(settings.DriverIndex, settings.SwitchIndex)) {
        settings.DriverIndex = driver;
        settings.SwitchIndex = sw;
        if (refusal != nullptr) {
            *refusal = "Die Hardwareeinstellung aus " + path + " wird nicht übernommen:\r" + *why;
        }
    }
    return true;
}

SaveResult SaveSettingsFile(const std::string& path, SettingsRecord& record,
                            const ProgrammerSettings& settings, SaveFileOps* ops) {
    record.fillFrom(settings);
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        std::error_code ec;
        std::filesystem::create_directories(path.substr(0, slash), ec);
        // A failure here shows up as the create error of the save below.
    }
    return WriteFileAtomically(
        path,
        std::string_view(reinterpret_cast<const char*>(record.bytes.data()), record.bytes.size()),
        ops);
}

std::string SettingsSaveMessage(const std::string& path, const SaveResult& result) {
    return "Die Hardwareeinstellung konnte nicht gespeichert werden:\r" + path + "\r" +
           result.reason;
}

}  // namespace pk
