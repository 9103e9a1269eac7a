#include "file/journal.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <random>

#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {'B', 'R', 'V', 'J', 'R', 'N', 'L', '2'};
constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kRecordHead = 12;  // kind, page, the number of the sync it precedes
constexpr std::size_t kChecksumSize = 8;
constexpr std::size_t kShortRecord = kRecordHead + kChecksumSize;
constexpr std::size_t kLongRecord = kShortRecord + kPageSize;
// Records are written in pieces of about this size, so that the buffer stays small.
constexpr std::size_t kFlushBytes = 1 << 20;

enum RecordKind : std::uint32_t { kCopy = 1, kZero = 2, kGrowth = 3 };

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void put64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t get32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

std::uint64_t get64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// A 64-bit checksum, eight bytes at a time: strong enough to tell a torn or stale record from a
// whole one, and cheap next to the write itself.
std::uint64_t checksum(std::uint64_t seed, std::span<const std::uint8_t> bytes) {
    std::uint64_t h = seed ^ 0x9E3779B97F4A7C15ull;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        h = (h ^ w) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    for (; i < bytes.size(); ++i) h = (h ^ bytes[i]) * 0x100000001B3ull;
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    return h ^ (h >> 32);
}

bool allZero(const PageBytes& page) {
    return std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0; });
}

std::uint64_t firstPageChecksum(PageFile& database) {
    if (database.pageCount() == 0) return 0;
    PageBytes first;
    database.read(0, first);
    return checksum(0, first);
}

std::uint32_t randomSalt() {
    static std::mt19937 generator{std::random_device{}()};
    return static_cast<std::uint32_t>(generator());
}

}  // namespace

namespace {

// Reads a journal's records one after the other, checking each.
class RecordReader {
public:
    RecordReader(JournalFile& journal, std::uint32_t salt)
        : journal_(journal), salt_(salt), size_(journal.size()) {}

    struct Record {
        std::uint32_t kind = 0;
        PageNumber page = 0;
        std::uint32_t sync = 0;
        std::uint64_t at = 0;
        std::size_t length = 0;
    };

    // The whole record at `at`, or nothing when none is there (torn, damaged or absent).
    std::optional<Record> at(std::uint64_t at) {
        if (at + kShortRecord > size_) return std::nullopt;
        journal_.read(at, std::span(bytes_).first(kRecordHead));
        Record r{get32(&bytes_[0]), get32(&bytes_[4]), get32(&bytes_[8]), at, 0};
        if (r.kind != kCopy && r.kind != kZero && r.kind != kGrowth) return std::nullopt;
        const std::size_t body = r.kind == kCopy ? kPageSize : 0;
        r.length = kRecordHead + body + kChecksumSize;
        if (at + r.length > size_) return std::nullopt;
        journal_.read(at + kRecordHead,
                      std::span(bytes_).subspan(kRecordHead, body + kChecksumSize));
        const auto covered = std::span(bytes_).first(kRecordHead + body);
        if (get64(&bytes_[kRecordHead + body]) != checksum(salt_, covered)) return std::nullopt;
        return r;
    }

    // The first whole record after a broken one at `at`, whatever its length was meant to be.
    std::optional<Record> after(std::uint64_t at) {
        for (std::size_t length : {kShortRecord, kLongRecord})
            if (auto next = this->at(at + length)) return next;
        return std::nullopt;
    }

    // The sync number a record's head at `at` gives, whole or not; 0 when there is none.
    std::uint32_t syncAt(std::uint64_t at) {
        if (at + kRecordHead > size_) return 0;
        journal_.read(at, std::span(bytes_).first(kRecordHead));
        return get32(&bytes_[8]);
    }

    std::uint64_t size() const { return size_; }
    std::span<const std::uint8_t> image() const {
        return std::span(bytes_).subspan(kRecordHead, kPageSize);
    }

private:
    JournalFile& journal_;
    std::uint32_t salt_;
    std::uint64_t size_;
    std::array<std::uint8_t, kLongRecord> bytes_{};
};

std::string describe(const RecordReader::Record& r) {
    return "its record at byte " + std::to_string(r.at) + " (page " + std::to_string(r.page) + ")";
}

}  // namespace

std::optional<JournalContents> readJournal(JournalFile& journal) {
    if (journal.size() < kHeaderSize) return std::nullopt;
    std::array<std::uint8_t, kHeaderSize> header{};
    journal.read(0, header);
    if (!std::equal(kMagic.begin(), kMagic.end(), header.begin()) ||
        get64(&header[24]) != checksum(0, std::span(header).first(24)))
        return std::nullopt;
    JournalContents contents;
    const std::uint32_t salt = get32(&header[8]);
    contents.committedPages = contents.largestPages = get32(&header[12]);
    contents.firstPageChecksum = get64(&header[16]);

    RecordReader reader(journal, salt);
    std::vector<bool> seen(contents.committedPages, false);
    std::uint32_t lastSync = 0;
    std::uint64_t at = kHeaderSize;
    while (at < reader.size()) {
        const std::optional<RecordReader::Record> r = reader.at(at);
        if (!r) {
            // Torn by the stop: then its sync never returned, and no later sync began. A record
            // of a later sync proves it was synced, and so damaged since.
            std::optional<RecordReader::Record> next = reader.after(at);
            if (!next) break;
            const std::uint32_t own = reader.syncAt(at);  // 0 when unreadable
            const std::uint32_t sync =
                own != 0 && own >= lastSync && own <= next->sync ? own : next->sync;
            for (; next; next = reader.at(next->at + next->length))
                if (next->sync > sync) {
                    contents.damage = "its record at byte " + std::to_string(at) +
                                      " is damaged, and records written after it are whole";
                    break;
                }
            break;
        }
        if (r->sync < lastSync) {
            contents.damage = describe(*r) + " comes after records written later";
            break;
        }
        lastSync = r->sync;
        at += r->length;
        if (r->kind == kGrowth) {
            if (r->page <= contents.committedPages) {
                contents.damage = describe(*r) + " grows the file to fewer pages than it had";
                break;
            }
            contents.largestPages = std::max(contents.largestPages, r->page);
            continue;
        }
        if (r->page >= contents.committedPages || seen[r->page]) {
            contents.damage = describe(*r) + (r->page >= contents.committedPages
                                                  ? " lies past the file's length at the commit"
                                                  : " repeats an earlier record's page");
            break;
        }
        seen[r->page] = true;
        if (r->page == 0 && r->kind == kCopy &&
            checksum(0, reader.image()) != contents.firstPageChecksum) {
            contents.damage = describe(*r) + " is not the first page its header describes";
            break;
        }
        contents.records.push_back({r->page, r->kind == kZero, r->at + kRecordHead});
    }
    return contents;
}

std::string journalMismatch(PageFile& database, const JournalContents& contents) {
    const PageNumber pages = database.pageCount();
    if (pages < contents.committedPages)
        return "the database has " + std::to_string(pages) + " pages, fewer than the " +
               std::to_string(contents.committedPages) + " it had when the journal was written";
    if (pages > contents.largestPages)
        return "the database has " + std::to_string(pages) +
               " pages, more than the interrupted write could have made (" +
               std::to_string(contents.largestPages) + ")";
    const bool firstJournalled =
        std::any_of(contents.records.begin(), contents.records.end(),
                    [](const JournalContents::Record& r) { return r.page == 0; });
    if (!firstJournalled && firstPageChecksum(database) != contents.firstPageChecksum)
        return "its first page has changed since the journal was written";
    return "";
}

void restoreFromJournal(PageFile& database, JournalFile& journal, const JournalContents& contents) {
    PageBytes page;
    for (const JournalContents::Record& record : contents.records) {
        if (record.zero)
            page.fill(0);
        else
            journal.read(record.offset, page);
        database.write(record.page, page);
    }
    if (database.pageCount() > contents.committedPages) database.truncate(contents.committedPages);
    database.sync();
    journal.truncate(0);
    journal.sync();
}

void Journal::begin() {
    salt_ = randomSalt();
    committedPages_ = announcedPages_ = database_.pageCount();
    saved_.assign(committedPages_, false);
    buffer_.clear();
    buffer_.insert(buffer_.end(), kMagic.begin(), kMagic.end());
    put32(buffer_, salt_);
    put32(buffer_, committedPages_);
    put64(buffer_, firstPageChecksum(database_));
    put64(buffer_, checksum(0, buffer_));
    end_ = 0;
    sync_ = 1;
    active_ = true;
}

void Journal::addRecord(std::uint32_t kind, PageNumber page, const PageBytes* bytes) {
    const std::size_t start = buffer_.size();
    put32(buffer_, kind);
    put32(buffer_, page);
    put32(buffer_, sync_);
    if (bytes != nullptr) buffer_.insert(buffer_.end(), bytes->begin(), bytes->end());
    put64(buffer_, checksum(salt_, std::span(buffer_).subspan(start)));
    if (buffer_.size() >= kFlushBytes) flush();
}

void Journal::flush() {
    if (buffer_.empty()) return;
    file_.write(end_, buffer_);
    end_ += buffer_.size();
    largest_ = std::max(largest_, end_);
    buffer_.clear();
}

void Journal::protect(std::span<const PageNumber> pages) {
    // The file still holds part of a write that could not be undone: undo it before anything.
    if (undoPending_) rollback();
    if (!active_) begin();
    PageNumber reach = announcedPages_;
    PageBytes page;
    for (PageNumber n : pages) {
        if (n >= committedPages_) {
            reach = std::max(reach, n + 1);
            continue;
        }
        if (saved_[n]) continue;
        database_.read(n, page);
        if (allZero(page))
            addRecord(kZero, n, nullptr);
        else
            addRecord(kCopy, n, &page);
        saved_[n] = true;
    }
    if (reach > announcedPages_) {
        // Each announcement costs a sync: announce twice the growth so far (at least
        // kGrowthMargin pages more), so that a commit that keeps growing the file announces a
        // handful of times rather than once per write.
        const std::uint64_t growth = reach - committedPages_;
        const std::uint64_t generous = reach + std::max<std::uint64_t>(growth, kGrowthMargin);
        announcedPages_ = static_cast<PageNumber>(std::min<std::uint64_t>(generous, 0xFFFFFFFFu));
        addRecord(kGrowth, announcedPages_, nullptr);
    }
    if (buffer_.empty()) return;
    flush();
    file_.sync();
    ++sync_;
}

void Journal::commit() {
    if (!active_) return;
    database_.sync();
    file_.truncate(0);
    file_.sync();
    file_.close();
    active_ = false;
    saved_.clear();
    end_ = 0;
}

void Journal::rollback() {
    if (!active_) return;
    buffer_.clear();  // records not written yet protect no written page
    try {
        const std::optional<JournalContents> contents = readJournal(file_);
        if (contents && !contents->damage.empty())
            throw Error(Error::Kind::Io, "Cannot undo the changes to '" + database_.name() +
                                             "': its journal '" + file_.name() +
                                             "' is damaged: " + contents->damage);
        if (contents)
            restoreFromJournal(database_, file_, *contents);
        else
            file_.truncate(0);  // its header never reached the file: no page was written either
    } catch (const Error&) {
        // The journal stays hot: the next write tries again first, as does the next open.
        undoPending_ = true;
        throw;
    }
    file_.close();
    undoPending_ = false;
    active_ = false;
    saved_.clear();
    end_ = 0;
}

void Journal::removeFile() {
    if (!active_ && file_.size() == 0) file_.remove();
}

}  // namespace mdb
