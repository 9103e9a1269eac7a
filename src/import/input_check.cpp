#include "import/input_check.h"

#include <memory>
#include <vector>

#include "data/messages.h"
#include "data/user_error.h"
#include "import/line_syntax.h"
#include "import/text_file_reader.h"

namespace importer {
namespace {

// Fields that convert as the data module's do but belong to no dataset, so they can be
// assigned without a record being appended.
class ScratchFields {
public:
    explicit ScratchFields(const std::vector<data::Field*>& originals) {
        owned_.reserve(originals.size());
        for (const data::Field* f : originals) {
            owned_.push_back(std::make_unique<data::Field>(f->name(), f->kind(), f->size()));
            targets_.push_back(owned_.back().get());
        }
    }
    const std::vector<data::Field*>& targets() const { return targets_; }

private:
    std::vector<std::unique_ptr<data::Field>> owned_;
    std::vector<data::Field*> targets_;
};

}  // namespace

void checkInputFile(const std::string& path, const ColumnLayout& layout, data::TDM& dm,
                    const LineProgress& progress) {
    const ScratchFields fields(layout.fieldsOf(dm));
    TextFileReader reader;  // closes the file however the check ends
    reader.bind(path);
    reader.open();
    const std::int64_t size = reader.size();
    std::string line;
    reader.readLine(line);  // the title row
    std::int64_t lines = 1;
    bool anyData = false;
    bool anySemicolon = false;
    do {
        reader.readLine(line);
        ++lines;
        if (!line.empty()) {
            anyData = true;
            anySemicolon = anySemicolon || line.find(';') != std::string::npos;
        }
        normaliseLine(line);
        layout.fill(line, fields.targets());
        if (progress) progress(lines, reader.consumed(), size);
    } while (!reader.atEnd());
    if (anyData && !anySemicolon) throw data::UserError(msg::noSemicolonLines(path));
}

}  // namespace importer
