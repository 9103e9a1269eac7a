// pager.h: the one way to pages. Every page the engine reads or writes passes through here.
//
// The pager caches plain pages, decodes pages of databases that carry a database key (RC4
// keyed by key XOR page number; page 0 is never encoded), and is the single write path:
//
//   beginWrite()   takes the exclusive advisory lock (writers exclude each other; readers take
//                  no lock) and forgets cached pages, which another writer may have changed;
//   modify(n)      returns page n for changing and marks it dirty;
//   allocate()     appends a zeroed page at the end of the file, dirty;
//   commit()       encodes and writes every dirty page in page order, syncs, releases the lock;
//   rollback()     forgets the dirty pages (the file is untouched) and releases the lock.
//
// Dirty pages stay in memory until commit or rollback; clean pages are dropped when the cache
// grows past its limit. A page handed out by page() stays valid for as long as its holder keeps
// it, even if the page is later modified (modify() copies a page that is still shared).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "mdb/page_file.h"

namespace mdb {

using PageRef = std::shared_ptr<const PageBytes>;

class Pager {
public:
    explicit Pager(std::unique_ptr<PageFile> file, std::size_t cachePages = 4096);

    const std::string& fileName() const { return file_->name(); }
    bool writable() const { return file_->writable(); }
    // Pages in the file, plus pages allocated and not yet committed.
    PageNumber pageCount() const;

    // Pages above 0 are RC4-coded with this key; 0 means they are stored plain.
    void setDatabaseKey(std::uint32_t key) { key_ = key; }
    std::uint32_t databaseKey() const { return key_; }

    // Page n, plain. Throws Error (Corrupt) when n is past the end of the file.
    PageRef page(PageNumber n);

    void beginWrite();
    bool writing() const { return writing_; }
    PageBytes& modify(PageNumber n);
    PageNumber allocate();
    void commit();
    void rollback();

private:
    std::shared_ptr<PageBytes> load(PageNumber n);
    void requireWriting(const char* what) const;

    std::unique_ptr<PageFile> file_;
    std::size_t cacheLimit_;
    std::uint32_t key_ = 0;
    std::unordered_map<PageNumber, std::shared_ptr<PageBytes>> clean_;
    std::map<PageNumber, std::shared_ptr<PageBytes>> dirty_;  // ordered: written in page order
    PageNumber allocated_ = 0;                                // pages appended since beginWrite
    bool writing_ = false;
};

}  // namespace mdb
