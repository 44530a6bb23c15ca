#pragma once
// What the simulated programmer and chip saw: every serial command the chip
// decoded, and every violation of the protocol, the timing, the line levels or
// the supply sequence. Tests assert on both; the program echoes violations to
// standard error so a developer sees them while clicking through a burn.
//
// Reading the logs in a test:
//   const pk::sim::SimLog& log = circuit.log();
//   EXPECT_TRUE(log.violations().empty()) << log.violationText();
//   EXPECT_EQ(log.count(8), 1);                       // Begin commands seen
//   EXPECT_EQ(log.commandTrace(), "2(3FFF) 1 7 8 1 7"); // loads show their word
//   log.clear();                                       // start a new step

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pk::sim {

struct Violation {
    std::chrono::nanoseconds time;  // of the port access that caused it, since the board was made
    std::string text;
};

struct CommandRecord {
    std::chrono::nanoseconds time;  // when the sixth command bit was latched
    int code = 0;                   // the 6-bit command
    int pc = 0;                     // address counter when the command was decoded
    // Loads: the word latched from the data frame; reads: the word the chip
    // presented (before a flaky-read fault flips a bit). Empty for the others,
    // and for a frame that was never completed.
    std::optional<std::uint16_t> data;
};

class SimLog {
  public:
    // Stored entries are capped so a long session cannot eat the memory; the
    // counters go on counting.
    static constexpr std::size_t kMaxCommands = 2'000'000;
    static constexpr std::size_t kMaxViolations = 10'000;
    // A lower cap for a long interactive session.
    void setMaxCommands(std::size_t n) { maxCommands_ = n; }

    void violation(std::chrono::nanoseconds time, std::string text);
    void command(const CommandRecord& record);
    // Completes the last command's record with the word of its data frame.
    void commandData(std::uint16_t word);
    void modeEntered() { ++modeEntries_; }

    const std::vector<Violation>& violations() const { return violations_; }
    std::size_t violationCount() const { return violationCount_; }
    // All violations, one per line: "<time in ms>: <text>".
    std::string violationText() const;

    const std::vector<CommandRecord>& commands() const { return commands_; }
    // Number of commands with this code since the last clear().
    int count(int code) const;
    // Commands from index `from` on, separated by blanks; loads carry their word
    // in upper-case hex: "0(3FF0) 6 6 1 7 8".
    std::string commandTrace(std::size_t from = 0) const;
    // How often programming mode was entered since the last clear().
    int modeEntries() const { return modeEntries_; }

    void clear();

    // Also print each violation to standard error as it happens.
    void setEcho(bool on) { echo_ = on; }

  private:
    std::vector<Violation> violations_;
    std::vector<CommandRecord> commands_;
    std::size_t violationCount_ = 0;
    int counts_[64] = {};
    int modeEntries_ = 0;
    std::size_t maxCommands_ = kMaxCommands;
    bool echo_ = false;
    bool lastCommandStored_ = false;
};

// "12.345 ms" style formatting of a clock time, used in the logs.
std::string formatTime(std::chrono::nanoseconds t);

}  // namespace pk::sim
