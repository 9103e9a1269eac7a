// row_origins.h: the line of its file each row of an import pass came from.
//
// A failed write of the database file in the middle of a run leaves each table holding its first
// rows only (the engine puts back the rows it could not write); the run then tells up to which
// line of which file the rows are stored. The rows are counted in the file afterwards; this maps
// that count to a line, skipping the lines that made no row (empty header lines, dropped detail
// lines). Only the last kRemembered rows are kept, so memory stays flat: the rows a failed write
// loses are a few hundred at most, far fewer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace importer {

class RowOrigins {
public:
    static constexpr std::size_t kRemembered = 1 << 16;

    // The next row posted came from line `line` of its file.
    void posted(std::int64_t line) {
        if (lines_.size() < kRemembered) {
            lines_.push_back(line);
        } else {
            lines_[rows_ % kRemembered] = line;
        }
        ++rows_;
    }

    std::uint64_t rows() const { return rows_; }

    // The line of the `row`-th row posted (from 1); empty when it is no longer remembered or was
    // never posted.
    std::optional<std::int64_t> lineOf(std::uint64_t row) const {
        if (row == 0 || row > rows_ || rows_ - row >= kRemembered) return std::nullopt;
        return lines_[(row - 1) % kRemembered];
    }

private:
    std::vector<std::int64_t> lines_;
    std::uint64_t rows_ = 0;
};

}  // namespace importer
