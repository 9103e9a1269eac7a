#include "import/input_check.h"

#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "data/messages.h"
#include "data/user_error.h"
#include "import/text_file_reader.h"

namespace importer {
namespace {

// Fields that convert as the data module's do but belong to no dataset, so they can be
// assigned without a record being appended. Only the columns whose conversion can fail are
// kept: a text field takes any text (it cuts a long one), so checking it would find nothing.
class ScratchRecord {
public:
    ScratchRecord(const ColumnLayout& layout, data::TDM& dm) {
        const std::vector<data::Field*> originals = layout.fieldsOf(dm);
        std::vector<ColumnMapping> checked;
        for (std::size_t i = 0; i < originals.size(); ++i) {
            const data::Field& f = *originals[i];
            if (f.kind() == data::FieldKind::WideText) continue;
            checked.push_back(layout.mappings()[i]);
            owned_.push_back(std::make_unique<data::Field>(f.name(), f.kind(), f.size()));
            targets_.push_back(owned_.back().get());
        }
        layout_.emplace(layout.lastColumn(), std::move(checked));
    }
    void fill(std::string& line) const { layout_->fill(line, targets_); }

private:
    std::optional<ColumnLayout> layout_;
    std::vector<std::unique_ptr<data::Field>> owned_;
    std::vector<data::Field*> targets_;
};

}  // namespace

void checkInputFile(const std::string& path, const ColumnLayout& layout, data::TDM& dm,
                    const LineProgress& progress) {
    checkInputFilePart(path, layout, dm, 0, std::numeric_limits<std::int64_t>::max(), progress);
}

bool checkInputFilePart(const std::string& path, const ColumnLayout& layout, data::TDM& dm,
                        std::int64_t from, std::int64_t to, const LineProgress& progress) {
    const ScratchRecord record(layout, dm);
    TextFileReader reader;  // closes the file however the check ends
    reader.bind(path);
    reader.open();
    const std::int64_t size = reader.size();
    std::string line;
    std::int64_t lines = 0;
    bool anyData = from > 0;  // the first data line is the first part's to find
    const auto checkLine = [&] {
        reader.readLine(line);
        ++lines;
        // The first line with any text tells whether the file is a roll at all: a file picked
        // by mistake (a text or a binary file) is refused there, before its
        // bytes are read as columns.
        if (!anyData && !line.empty()) {
            anyData = true;
            if (line.find(';') == std::string::npos) {
                throw data::UserError(msg::noSemicolonLines(path));
            }
        }
        record.fill(line);
        if (progress) progress(lines, reader.consumed() - from, size);
    };
    if (from == 0) {
        reader.readLine(line);  // the title row
        ++lines;
        checkLine();  // there is always a line after it, if only an empty one
    } else {
        // The line under way at `from` belongs to the part before, which ends where it ends.
        reader.seek(from - 1);
        reader.readLine(line);
        from = reader.consumed();
    }
    while (!reader.atEnd() && reader.consumed() < to) checkLine();
    if (!anyData) throw data::UserError(msg::noDataLines(path));
    return reader.atEnd();
}

}  // namespace importer
