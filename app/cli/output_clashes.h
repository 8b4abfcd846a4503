#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelmo::cli {

// A file the collector is told to read or write, with the option that named it.
struct NamedPath {
    std::string option;  // "--csv"
    std::string path;    // as given
    bool output = false;
};

// Why writing the outputs would destroy an input or each other, or nothing.
// Outputs are compared with every other path and with the save folder's
// records: by the file's identity where it exists, by its normal path where
// it does not; an output named like a record inside the save folder is
// refused too, since the next collection would read it.
std::optional<std::string> FindOutputClash(const std::vector<NamedPath>& paths,
                                           const std::string& folder);

}  // namespace zelmo::cli
