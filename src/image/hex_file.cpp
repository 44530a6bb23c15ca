#include "image/hex_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/hex_lines.h"
#include "image/hex_syntax.h"
#include "image/hex_text.h"
#include "image/standard_streams.h"
#include "image/system_reason.h"

namespace pk {

int HexDigitValue(char c) {
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

std::optional<std::uint16_t> HexLineReader::ReadHexByte() {
    if (problem_ != Problem::None) {
        return std::nullopt;
    }
    if (line_.size() < pos_ + 2) {
        problem_ = Problem::ShortLine;
        problemColumn_ = line_.size() + 1;
        return std::nullopt;
    }
    int value = 0;
    for (int k = 0; k < 2; ++k) {
        const char c = line_[pos_];
        const int d = HexDigitValue(c);
        if (d < 0) {
            problem_ = Problem::BadDigit;
            problemColumn_ = pos_ + 1;
            badCharacter_ = c;
            return std::nullopt;
        }
        value = value * 16 + d;
        ++pos_;
    }
    return static_cast<std::uint16_t>(value);
}

std::optional<std::uint16_t> HexLineReader::ReadHexWord() {
    const auto low = ReadHexByte();
    const auto high = ReadHexByte();
    if (!low || !high) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*low + 256 * *high);
}

namespace {

// The longest line that matters: mark, 8 header digits, 255 data bytes, checksum.
// Anything beyond is never looked at, so memory stays bounded whatever file the user
// picks.
constexpr std::size_t kMaxLine = 1 + 8 + 2 * 255 + 2 + 16;

}  // namespace

bool HexRecordParser::feed(std::string_view chunk) {
    for (char c : chunk) {
        if (stopped_ && !watchingTail()) {
            return false;
        }
        if (afterCR_) {
            afterCR_ = false;
            if (c == '\n') {
                continue;  // second half of CR LF
            }
        }
        if (c == '\n' || c == '\r') {
            afterCR_ = (c == '\r');
            endLine();
        } else if (!skipping_) {
            line_.push_back(c);
            if (line_.size() == kMaxLine) {
                // Everything that matters is here: parse now and skip the rest, so
                // even an endless line (a device file) cannot keep the load going.
                ++lineNo_;
                handleLine(line_);
                line_.clear();
                skipping_ = true;
            }
        }
    }
    return !stopped_ || watchingTail();
}

HexReadResult HexRecordParser::finish() {
    if ((!stopped_ || watchingTail()) && !line_.empty()) {
        endLine();
    }
    return result_;
}

void HexRecordParser::readError(const std::string& reason) {
    result_.status = HexReadResult::Status::ReadError;
    result_.line = lineNo_ + 1;
    result_.systemReason = reason;
    stopped_ = true;
}

void HexRecordParser::endLine() {
    if (skipping_) {
        skipping_ = false;  // the line was parsed when it got too long
        return;
    }
    ++lineNo_;
    if (!line_.empty()) {
        handleLine(line_);
    }
    line_.clear();
}

// After the end record only an explaining reader looks on, for one more line.
bool HexRecordParser::watchingTail() const {
    return events_ != nullptr && result_.endRecord && !tailSeen_;
}

void HexRecordParser::handleLine(std::string_view line) {
    if (stopped_) {
        tailSeen_ = true;
        events_->textAfterEnd(lineNo_);
        return;
    }
    parseLine(line);
}

void HexRecordParser::stopWith(HexReadResult::Status status, const HexLineReader& reader) {
    result_.status = status;
    result_.line = lineNo_;
    result_.column = reader.problemColumn();
    result_.badCharacter = reader.badCharacter();
    stopped_ = true;
}

void HexRecordParser::readerProblem(const HexLineReader& reader) {
    stopWith(reader.problem() == HexLineReader::Problem::BadDigit
                 ? HexReadResult::Status::BadDigit
                 : HexReadResult::Status::ShortLine,
             reader);
}

HexSource::~HexSource() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool HexSource::open(const std::string& path) {
    if (IsStandardStream(path)) {
        input_ = &ReadStandardInput();
        return input_->open;
    }
    // Without O_NONBLOCK a named pipe would hang the open; only plain files are loaded.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

void HexSource::feed(HexRecordParser& parser) {
    if (input_ != nullptr) {
        // The kept text stands for the whole input; where it ends early, the parser
        // learns why once it asks for more.
        if (parser.feed(input_->text) && !input_->readError.empty()) {
            parser.readError(input_->readError);
        }
        return;
    }
    char buf[65536];
    for (;;) {
        const ssize_t got = ::read(fd_, buf, sizeof buf);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            parser.readError(SystemReason(errno));
            break;
        }
        if (got == 0 || !parser.feed(std::string_view(buf, static_cast<std::size_t>(got)))) {
            break;
        }
    }
    ::close(fd_);
    fd_ = -1;
}

std::optional<std::string> HexSource::text(std::size_t limit, std::string* reason) {
    if (input_ != nullptr) {
        if (!input_->readError.empty()) {
            if (reason != nullptr) {
                *reason = input_->readError;
            }
            return std::nullopt;
        }
        return input_->text;
    }
    std::string out;
    char buf[65536];
    while (out.size() <= limit) {
        const ssize_t got = ::read(fd_, buf, sizeof buf);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            if (reason != nullptr) {
                *reason = SystemReason(errno);
            }
            ::close(fd_);
            fd_ = -1;
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        out.append(buf, static_cast<std::size_t>(got));
    }
    ::close(fd_);
    fd_ = -1;
    return out;
}

namespace {

// The records of the 14-bit chips: every data word at half its byte address.
class HexParser : public HexRecordParser {
  public:
    explicit HexParser(WordArray& words, HexReadEvents* events = nullptr)
        : HexRecordParser(events), words_(words) {}

  private:
    void parseLine(std::string_view line) override {
        if (events_ != nullptr) {
            events_->line(lineNo_, line);
        }
        HexLineReader reader(line);
        const auto n = reader.ReadHexByte();
        const auto high = reader.ReadHexByte();
        const auto low = reader.ReadHexByte();
        const auto type = reader.ReadHexByte();
        if (!type) {
            readerProblem(reader);
            return;
        }
        if (events_ != nullptr) {
            events_->record(lineNo_, line, *n, *high * 256 + *low, *type);
        }
        const int wordAddress = (*high * 256 + *low) / 2;
        if (*type == 1) {
            endRecord();
            return;
        }
        if (*type != 0) {
            // Address and start records change nothing here.
            if (events_ != nullptr) {
                events_->recordDone(lineNo_, line);
            }
            return;
        }
        for (int i = 0; i < *n / 2; ++i) {
            const auto word = reader.ReadHexWord();
            if (!word) {
                readerProblem(reader);
                return;
            }
            const int address = wordAddress + i;
            if (address >= static_cast<int>(MemoryImage::Size)) {
                result_.status = HexReadResult::Status::AddressRange;
                result_.line = lineNo_;
                result_.wordAddress = address;
                stopped_ = true;
                return;
            }
            if (events_ != nullptr) {
                events_->word(lineNo_, address, *word);
            }
            words_[static_cast<std::size_t>(address)] = *word & 0x3FFF;
            ++result_.wordsStored;
        }
        if (events_ != nullptr) {
            events_->recordDone(lineNo_, line);
        }
    }

    WordArray& words_;
};

}  // namespace

HexReadResult OpenHexfile(std::string_view text, WordArray& words, HexReadEvents* events) {
    HexParser parser(words, events);
    parser.feed(text);
    return parser.finish();
}

void FeedHexStream(std::istream& in, HexRecordParser& parser) {
    char buf[4096];
    while (in) {
        in.read(buf, sizeof buf);
        const auto got = in.gcount();
        if (got <= 0) {
            break;
        }
        if (!parser.feed(std::string_view(buf, static_cast<std::size_t>(got)))) {
            return;
        }
    }
    if (in.bad()) {
        parser.readError("Lesefehler");
    }
}

HexReadResult OpenHexfile(std::istream& in, WordArray& words) {
    HexParser parser(words);
    FeedHexStream(in, parser);
    return parser.finish();
}

std::string HexReadMessage(const std::string& fileName, const HexReadResult& r) {
    using S = HexReadResult::Status;
    if (r.status == S::Ok) {
        return {};
    }
    std::string what;
    switch (r.status) {
        case S::BadDigit:
            what = "ungültiges Zeichen " + describeHexCharacter(r.badCharacter) + " in Spalte " +
                   std::to_string(r.column) + ", erwartet wird eine Hex-Ziffer";
            break;
        case S::ShortLine:
            what = "die Zeile ist zu kurz für ihren Datensatz (endet nach Spalte " +
                   std::to_string(r.column - 1) + ")";
            break;
        case S::AddressRange:
            if (r.byteRegions) {
                what = "Datenbyte an Adresse " + HexByteAddress(r.byteAddress) + " " +
                       ByteAddressOutside(r.byteAddress, *r.byteRegions);
            } else {
                what = "Datenwort an Adresse " +
                       hexWord(static_cast<std::uint32_t>(r.wordAddress)) +
                       " liegt außerhalb des Speichers (höchstens 0x21FF)";
            }
            break;
        case S::BadChecksum:
            what = "Prüfsummenfehler: " + ByteToHex(static_cast<unsigned>(r.checksumGiven)) +
                   " angegeben, " + ByteToHex(static_cast<unsigned>(r.checksumWanted)) +
                   " erwartet";
            break;
        case S::BadRecord:
            if (r.recordType == 1 || r.recordType == 4) {
                what = "ein Datensatz vom Typ " + ByteToHex(static_cast<unsigned>(r.recordType)) +
                       " hat " + (r.recordType == 1 ? "keine Datenbytes" : "2 Datenbytes") +
                       ", dieser hat " + std::to_string(r.recordCount);
            } else {
                what = "Datensätze vom Typ " + ByteToHex(static_cast<unsigned>(r.recordType)) +
                       " werden für diesen PIC nicht unterstützt";
            }
            break;
        case S::NoEndRecord:
            what = "der Ende-Datensatz (Typ 01) fehlt, die Datei ist unvollständig";
            break;
        case S::ReadError:
            what = "Lesefehler: " + r.systemReason;
            break;
        case S::Ok:
            break;
    }
    return "Fehler im HEX-File  " + InputFileName(fileName) + "\rZeile " + std::to_string(r.line) +
           ": " + what +
           "\r\rDas Laden wurde abgebrochen; nur die Daten vor dieser Zeile wurden übernommen.";
}

HexLoadResult LoadHexFile(const std::string& path, MemoryImage& image) {
    HexLoadResult result;
    HexSource source;
    if (!source.open(path)) {
        image.HexLoaded = false;
        return result;
    }
    result.opened = true;
    image.clear();
    image.HexLoaded = true;
    HexParser parser(image.HexWords);
    source.feed(parser);
    result.parse = parser.finish();
    return result;
}

// ---- Writer ----

std::string ByteToHex(unsigned v) {
    std::string s(2, '0');
    for (int k = 0; k < 2; ++k) {
        const unsigned d = (k == 0 ? v >> 4 : v) & 0x0F;
        s[static_cast<std::size_t>(k)] = static_cast<char>(d < 10 ? '0' + d : 'A' + (d - 10));
    }
    return s;
}

namespace {

bool blankWord(const WordArray& words, int address) {
    const std::uint16_t mask = address < MemoryImage::EepromBase ? 0x3FFF : 0x00FF;
    return (words[static_cast<std::size_t>(address)] & mask) == mask;
}

}  // namespace

void WriteHexRange(std::string& out, const WordArray& words, int first, int last) {
    if (first < 0) {
        first = 0;
    }
    if (last >= static_cast<int>(MemoryImage::Size)) {
        last = static_cast<int>(MemoryImage::Size) - 1;
    }
    int i = first;
    while (i <= last) {
        if (blankWord(words, i)) {
            ++i;
            continue;
        }
        const int start = i;
        int count = 0;
        while (i <= last && !blankWord(words, i) && count < 8 && (count == 0 || i % 8 != 0)) {
            ++count;
            ++i;
        }
        const int byteAddress = 2 * start;
        unsigned sum = static_cast<unsigned>(2 * count) + (byteAddress >> 8) + (byteAddress & 0xFF);
        // Built by appending: GCC 12 warns falsely (-Wrestrict) about "literal" + string.
        std::string line;
        line.reserve(11 + 4 * static_cast<std::size_t>(count));
        line += ':';
        line += ByteToHex(static_cast<unsigned>(2 * count));
        line += ByteToHex(static_cast<unsigned>(byteAddress >> 8));
        line += ByteToHex(static_cast<unsigned>(byteAddress & 0xFF));
        line += "00";
        for (int k = start; k < start + count; ++k) {
            const unsigned w = words[static_cast<std::size_t>(k)];
            line += ByteToHex(w & 0xFF);
            line += ByteToHex(w >> 8);
            sum += (w & 0xFF) + (w >> 8);
        }
        line += ByteToHex((0x100 - (sum & 0xFF)) & 0xFF);
        out += line;
        out += "\r\n";
    }
}

std::string BuildHexFile(const WordArray& readBack, int progLastAddr) {
    std::string out;
    WriteHexRange(out, readBack, 0, progLastAddr);
    WriteHexRange(out, readBack, MemoryImage::IdBase, MemoryImage::DeviceIdAddr);
    // The second word is blank (not written) on every chip without one.
    WriteHexRange(out, readBack, MemoryImage::ConfigAddr, MemoryImage::Config2Addr);
    WriteHexRange(out, readBack, MemoryImage::EepromBase, MemoryImage::EepromBase + 0xFF);
    out += ":00000001FF\r\n";
    return out;
}

}  // namespace pk
