#include "sim/sim_log.h"

#include <cstdio>

namespace pk::sim {

std::string formatTime(std::chrono::nanoseconds t) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.3f ms", static_cast<double>(t.count()) / 1e6);
    return buf;
}

void SimLog::violation(std::chrono::nanoseconds time, std::string text) {
    ++violationCount_;
    if (echo_) {
        std::fprintf(stderr, "pkorvel simulation: %s: %s\n", formatTime(time).c_str(),
                     text.c_str());
    }
    if (violations_.size() < kMaxViolations) {
        violations_.push_back({time, std::move(text)});
    }
}

void SimLog::command(const CommandRecord& record) {
    ++counts_[record.code & 0x3F];
    lastCommandStored_ = commands_.size() < maxCommands_;
    if (lastCommandStored_) {
        commands_.push_back(record);
    }
}

void SimLog::commandData(std::uint16_t word) {
    if (lastCommandStored_ && !commands_.empty()) {
        commands_.back().data = word;
    }
}

std::string SimLog::violationText() const {
    std::string out;
    for (const auto& v : violations_) {
        out += formatTime(v.time) + ": " + v.text + "\n";
    }
    return out;
}

int SimLog::count(int code) const {
    return code >= 0 && code < 64 ? counts_[code] : 0;
}

std::string SimLog::commandTrace(std::size_t from) const {
    std::string out;
    char buf[32];
    for (std::size_t i = from; i < commands_.size(); ++i) {
        const auto& c = commands_[i];
        const bool load = c.code == 0 || c.code == 2 || c.code == 3;
        if (load && c.data) {
            std::snprintf(buf, sizeof buf, "%d(%04X)", c.code, static_cast<unsigned>(*c.data));
        } else {
            std::snprintf(buf, sizeof buf, "%d", c.code);
        }
        if (!out.empty()) {
            out += ' ';
        }
        out += buf;
    }
    return out;
}

void SimLog::clear() {
    violations_.clear();
    commands_.clear();
    violationCount_ = 0;
    for (int& c : counts_) {
        c = 0;
    }
    modeEntries_ = 0;
    lastCommandStored_ = false;
}

}  // namespace pk::sim
