#pragma once
// One run of pkorvel-cli: the options it was given, the port and chip session it
// sets up, and the command it carries out. The members are defined by concern in
// the files named at each group.

#include <QCommandLineParser>
#include <QJsonObject>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backend/backend.h"
#include "cli.h"
#include "device/catalogue.h"
#include "device/family.h"
#include "image/byte_image.h"
#include "link/clock.h"
#include "link/programmer.h"
#include "terminal.h"

namespace pk::cli {

// The JSON and --list name of a memory area.
const char* areaName(Area a);

class Run {
  public:
    explicit Run(const QStringList& arguments) : arguments_(arguments) {}

    // Parses, runs the command and says the result; the exit code.
    int exec();

  private:
    // The command table (cli.cpp)
    int parseAndRun();

    // Arguments and options (options.cpp)
    bool takeBackendArguments(QStringList& args);
    bool usage(const std::string& text);
    void setUpParser(QCommandLineParser& p);
    bool intOption(const QCommandLineParser& p, const char* name, int low, int high,
                   std::optional<int>& out);
    bool readOptions(const QCommandLineParser& p);
    bool readConfigBytes(const QString& text, const char* name);
    bool checkPartOptions();
    // Why the options do not fit the part ("" when they do).
    std::string optionRefusal(const Part& part) const;

    // What the command says and writes (output.cpp)
    bool takeOutputFile();
    void message(const std::string& text);
    void say(const std::string& text);
    void finish(int code);
    void takeResult(const CommandResult& r);
    void sayCounters();
    int save(const std::string& path, std::string_view data, const std::string& done);

    // The port, the programmer and the chip type (link_setup.cpp)
    int setUpLink();
    int needReadableOrType(bool reads);
    static int exitFor(Outcome o);
    CommandOptions commandOptions(Command c);
    // Runs the command on the --type part or the chip found, and says its counters.
    CommandResult runOnChip(Command c);

    // The chip commands (commands_chip.cpp)
    int cmdDoctor();
    int cmdSearch();
    int cmdDetect();
    int cmdBurn();
    int cmdVerify();
    int cmdRead();
    int cmdErase();
    int cmdUnprotect();

    // The file commands (commands_files.cpp)
    // The first file, laid out for the --type part (or the first 14-bit row's).
    int loadFile();
    int cmdListing();
    int cmdMap();
    int cmdTypes();
    std::optional<std::string> checkedText(const std::string& name);
    int cmdCheck();

    QStringList arguments_;
    // Options
    BackendOptions backendOptions_;
    SettingsOverrides overrides_;
    bool usageError_ = false;
    bool json_ = false;
    bool quiet_ = false;
    bool yes_ = false;
    bool noData_ = false;
    bool list_ = false;
    bool force_ = false;
    bool outputToStdout_ = false;  // "-" as the output file: other output goes to stderr
    std::string port_ = "auto";
    std::optional<TimingMode> timing_;
    std::optional<int> vppTenths_;
    std::string typeName_;
    std::optional<Part> part_;  // --type
    // --config (either form) and --config2.
    std::vector<ConfigSetting> config_;
    std::optional<std::array<std::int32_t, 4>> ids_;
    std::string command_;
    std::vector<std::string> files_;
    // State
    ProgrammerSettings settings_;
    MemoryImage image_;
    DeviceState device_;
    ByteImage bytes_;
    ErrorCounters errors_;
    bool countersValid_ = false;
    // The chip the output names: the --type part, or the one the command found.
    std::optional<Part> shownPart_;
    std::vector<WordFailure> failed_;
    bool dataShown_ = false;
    QJsonObject extra_;
    std::int32_t portBase_ = kLpt1;
    TerminalDialog dialog_{false};
    std::unique_ptr<Backend> backend_;
    Clock* clock_ = nullptr;
    std::unique_ptr<ProgrammerLink> link_;
    TerminalReporter reporter_{dialog_, false};
    std::unique_ptr<Session> session_;
};

}  // namespace pk::cli
