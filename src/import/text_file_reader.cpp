#include "import/text_file_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "data/messages.h"
#include "import/byte_search.h"
#include "import/input_file_error.h"
#include "platform/paths.h"

namespace importer {

namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kEndOfFileMark = 26;

// Appends text[0, n) to `line` without its carriage returns.
void appendWithoutCarriageReturns(std::string& line, const char* text, size_t n) {
    size_t start = line.size();
    line.append(text, n);
    if (std::memchr(line.data() + start, kCarriageReturn, n) != nullptr) {
        line.erase(std::remove(line.begin() + static_cast<std::ptrdiff_t>(start), line.end(),
                               kCarriageReturn),
                   line.end());
    }
}

}  // namespace

TextFileReader::TextFileReader(size_t blockSize) : buffer_(std::max<size_t>(blockSize, 1)) {}

TextFileReader::~TextFileReader() { close(); }

void TextFileReader::bind(std::string path) {
    close();
    path_ = std::move(path);
}

void TextFileReader::open() {
    close();
    // Windows opens the file with read sharing only: a program writing the file makes the open
    // fail, as does (elsewhere) an exclusive lock another program holds.
    platform::File file =
        platform::File::open(path_, platform::Access::Read, platform::Creation::OpenExisting,
                             platform::Sharing::ReadOnly);
    if (!file.isOpen()) throw InputFileError(openErrorCode(path_, errno));

    int failure = 0;
    if (!file.size()) {
        failure = windowsCodeForErrno(errno);
    } else if (!file.isRegular() && platform::isFolder(path_)) {
        failure = win::kAccessDenied;  // Windows refuses to open a folder as a file
    } else if (file.lockedByAnother()) {
        failure = win::kSharingViolation;
    }
    if (failure != 0) throw InputFileError(failure);
    file_ = std::move(file);
    begin_ = end_ = 0;
    fetched_ = 0;
    lineNumber_ = 0;
}

void TextFileReader::close() {
    file_.close();
    begin_ = end_ = 0;
    fetched_ = 0;
}

void TextFileReader::requireOpen() const {
    if (!isOpen()) throw InputFileError(win::kFileNotOpen);
}

std::int64_t TextFileReader::size() const {
    requireOpen();
    const std::optional<std::uint64_t> bytes = file_.size();
    if (!bytes) throw InputFileError(windowsCodeForErrno(errno));
    return static_cast<std::int64_t>(*bytes);
}

void TextFileReader::seek(std::int64_t offset) {
    requireOpen();
    begin_ = end_ = 0;
    fetched_ = offset;
}

bool TextFileReader::fill() {
    const std::int64_t n =
        file_.readAt(buffer_.data(), buffer_.size(), static_cast<std::uint64_t>(fetched_));
    if (n < 0) throw InputFileError(windowsCodeForErrno(errno));
    begin_ = 0;
    end_ = static_cast<size_t>(n);
    fetched_ += n;
    return n > 0;
}

bool TextFileReader::atEnd() {
    requireOpen();
    if (begin_ == end_ && !fill()) return true;
    return buffer_[begin_] == kEndOfFileMark;
}

void TextFileReader::limitLength(const std::string& line) const {
    if (line.size() > kMaxLineBytes) {
        throw data::UserError(msg::lineTooLong(path_, lineNumber_));
    }
}

void TextFileReader::readLine(std::string& line) {
    line.clear();
    ++lineNumber_;
    if (atEnd()) return;
    bool skipping = false;  // after a 26 inside the line: drop bytes up to the line feed
    for (;;) {
        if (begin_ == end_ && !fill()) return;
        const char* start = buffer_.data() + begin_;
        const size_t available = end_ - begin_;
        const auto* feed = static_cast<const char*>(std::memchr(start, kLineFeed, available));
        const size_t segment = feed ? static_cast<size_t>(feed - start) : available;
        if (!skipping) {
            std::string_view text(start, segment);
            const size_t first = bytes::findEither(text, kEndOfFileMark, kCarriageReturn);
            if (first == segment) {
                line.append(start, segment);
            } else if (first == segment - 1 && start[first] == kCarriageReturn) {
                line.append(start, first);  // the usual CR LF
            } else {
                size_t mark = bytes::find(text, kEndOfFileMark);
                appendWithoutCarriageReturns(line, start, mark);
                skipping = mark != segment;
            }
            limitLength(line);
        }
        if (feed) {
            begin_ += segment + 1;
            return;
        }
        begin_ = end_;
    }
}

}  // namespace importer
