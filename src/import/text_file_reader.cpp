#include "import/text_file_reader.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "data/messages.h"
#include "import/byte_search.h"
#include "import/input_file_error.h"

namespace importer {

namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kEndOfFileMark = 26;

// Windows opens the file with read sharing only: an exclusive lock that another program holds
// (the Linux equivalent of a file opened without sharing) makes the open fail.
bool lockedByAnother(int fd) {
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) return errno == EWOULDBLOCK;
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;  // the whole file
    if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return false;
    return probe.l_type != F_UNLCK;
}

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
    int fd;
    do {
        fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw InputFileError(openErrorCode(path_, errno));

    struct stat st {};
    int failure = 0;
    if (fstat(fd, &st) != 0) {
        failure = windowsCodeForErrno(errno);
    } else if (S_ISDIR(st.st_mode)) {
        failure = win::kAccessDenied;  // Windows refuses to open a folder as a file
    } else if (lockedByAnother(fd)) {
        failure = win::kSharingViolation;
    }
    if (failure != 0) {
        ::close(fd);
        throw InputFileError(failure);
    }
    fd_ = fd;
    begin_ = end_ = 0;
    fetched_ = 0;
    lineNumber_ = 0;
}

void TextFileReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    begin_ = end_ = 0;
    fetched_ = 0;
}

void TextFileReader::requireOpen() const {
    if (!isOpen()) throw InputFileError(win::kFileNotOpen);
}

std::int64_t TextFileReader::size() const {
    requireOpen();
    struct stat st {};
    if (fstat(fd_, &st) != 0) throw InputFileError(windowsCodeForErrno(errno));
    return st.st_size;
}

bool TextFileReader::fill() {
    ssize_t n;
    do {
        n = ::read(fd_, buffer_.data(), buffer_.size());
    } while (n < 0 && errno == EINTR);
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
