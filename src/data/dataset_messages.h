// dataset_messages.h: the texts of the errors the datasets raise, worded as the database layer
// words them (English). A dataset's errors carry its name first: "TTestate: <text>".
#pragma once

#include <string>
#include <string_view>

namespace data::msg {

inline std::string datasetError(std::string_view dataset, std::string_view text) {
    return std::string(dataset) + ": " + std::string(text);
}

inline const std::string kClosedDataset = "Cannot perform this operation on a closed dataset";
inline const std::string kEmptyDataset = "Cannot perform this operation on an empty dataset";
inline const std::string kReadOnlyDataset = "Cannot modify a read-only dataset";
inline const std::string kNotEditing = "Dataset not in edit or insert mode";

// `field` is the column name the field is bound to.
inline std::string fieldNotFound(std::string_view field) {
    return "Field '" + std::string(field) + "' not found";
}

inline std::string typeMismatch(std::string_view field, std::string_view expected,
                                std::string_view actual) {
    return "Type mismatch for field '" + std::string(field) +
           "', expecting: " + std::string(expected) + " actual: " + std::string(actual);
}

}  // namespace data::msg
