#pragma once
// What every HEX reader of the program shares, whatever the chip's memory layout:
// cutting the text into lines (LF, CR LF or a lone CR), numbering them, bounding
// their length, stopping at the end record or the first problem, and reading a file
// from disk. A reader for one layout derives from HexRecordParser and parses the
// records of one line. Implemented in hex_file.cpp beside the word reader.

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "image/hex_file.h"
#include "image/standard_streams.h"

namespace pk {

class HexRecordParser {
  public:
    explicit HexRecordParser(HexReadEvents* events = nullptr) : events_(events) {}
    virtual ~HexRecordParser() = default;
    HexRecordParser(const HexRecordParser&) = delete;
    HexRecordParser& operator=(const HexRecordParser&) = delete;

    // Returns false once parsing has stopped (end record or a problem).
    bool feed(std::string_view chunk);
    // End of input: the last line may lack its line end.
    HexReadResult finish();
    void readError(const std::string& reason);

  protected:
    // One non-empty line, starting with its (unchecked) record mark.
    virtual void parseLine(std::string_view line) = 0;

    void stopWith(HexReadResult::Status status, const HexLineReader& reader);
    void readerProblem(const HexLineReader& reader);
    // The type-1 record: nothing after it is parsed.
    void endRecord() {
        result_.endRecord = true;
        stopped_ = true;
    }

    HexReadEvents* events_;
    HexReadResult result_;
    int lineNo_ = 0;
    bool stopped_ = false;

  private:
    void endLine();
    bool watchingTail() const;
    void handleLine(std::string_view line);

    std::string line_;
    bool tailSeen_ = false;
    bool afterCR_ = false;
    bool skipping_ = false;
};

// A HEX file opened for loading: a plain file, or standard input ("-"), whose text is
// read once and given again to every later load.
class HexSource {
  public:
    HexSource() = default;
    ~HexSource();
    HexSource(const HexSource&) = delete;
    HexSource& operator=(const HexSource&) = delete;

    // False when the file cannot be opened or is no plain file (a folder, a device,
    // a named pipe), or when the process has no standard input.
    bool open(const std::string& path);
    // Feeds everything to the parser until it stops; a failed read is a read error.
    void feed(HexRecordParser& parser);
    // The whole text, at most `limit` bytes and one more (enough to tell it is too
    // long); nullopt with the system's reason when reading fails.
    std::optional<std::string> text(std::size_t limit, std::string* reason = nullptr);

  private:
    int fd_ = -1;
    const StandardInput* input_ = nullptr;
};

// Feeds the stream to the parser until it stops; a failing stream is a read error.
void FeedHexStream(std::istream& in, HexRecordParser& parser);

}  // namespace pk
