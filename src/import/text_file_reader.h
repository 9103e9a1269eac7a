// text_file_reader.h: sequential reading of an input file, line by line, as 8-bit text.
//
// Line rules:
//   - a line ends at a line feed (byte 10), which is consumed and not part of the line; every
//     carriage return (byte 13) is dropped, whether it stands before the line feed or alone;
//   - a line may hold at most kMaxLineBytes bytes (carriage returns not counted): a longer one is
//     refused with UserError "La riga <n> del file <path> supera la lunghezza massima di 4 MB"
//     (`path` as bound, lines counted from 1), so that a file with no line feed (a binary
//     file, a sparse file) cannot take memory in proportion to its size;
//   - byte 26 (Ctrl-Z) is an end-of-file mark: the file has ended when the next unread byte is
//     26 or no byte is left. A 26 inside a line ends that line's text; the rest of that physical
//     line, up to its line feed, is skipped and reading goes on with the next line;
//   - reading when the file has ended yields an empty line, so a file ending in "\n\n" gives one
//     last empty line and a file of only a first line gives one empty line after it.
//
// The file is read in large blocks through the system's read(), not byte by byte. Every failure is
// an InputFileError with the Windows code of its cause.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"

namespace importer {

class TextFileReader {
public:
    static constexpr size_t kDefaultBlockSize = 1 << 20;
    // The longest line of a real roll is a few kilobytes (56 columns, texts of up to 255
    // characters); this leaves room for any export and keeps memory small.
    static constexpr size_t kMaxLineBytes = 4 << 20;

    // `blockSize` only matters for tests of lines that cross block boundaries.
    explicit TextFileReader(size_t blockSize = kDefaultBlockSize);
    ~TextFileReader();
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;

    // Binds the reader to a path without opening it; closes any file open before.
    void bind(std::string path);

    // Opens the bound path read-only. Another program's exclusive lock on the file (flock or a
    // record lock) counts as a sharing violation (32); a folder is refused (5).
    void open();
    bool isOpen() const { return file_.isOpen(); }
    void close();

    // The file's length in bytes. Throws code 103 when not open.
    std::int64_t size() const;

    // Reads the next line into `line` (its old content is replaced). Throws code 103 when not
    // open.
    void readLine(std::string& line);

    // True when no byte is left or the next unread byte is 26. Throws code 103 when not open.
    bool atEnd();

    // Goes on reading at byte `offset`, as if the bytes before it had been read (a part of a
    // file checked on its own; line numbers in messages go on counting from where they were).
    void seek(std::int64_t offset);

    // Bytes of the file taken by the lines read so far (for progress displays).
    std::int64_t consumed() const { return fetched_ - static_cast<std::int64_t>(end_ - begin_); }

private:
    bool fill();  // reads the next block; false when the file has no more bytes
    void requireOpen() const;
    // Throws the line-length refusal when `line` has grown past kMaxLineBytes.
    void limitLength(const std::string& line) const;

    std::string path_;
    platform::File file_;
    std::vector<char> buffer_;
    size_t begin_ = 0;             // first unread byte in buffer_
    size_t end_ = 0;               // one past the last valid byte in buffer_
    std::int64_t fetched_ = 0;     // bytes read from the file since it was opened
    std::int64_t lineNumber_ = 0;  // of the line read last, from 1
};

}  // namespace importer
