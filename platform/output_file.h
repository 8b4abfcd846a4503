#pragma once

#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zelmo::platform {

// An output that cannot be staged or published; the message names it.
class OutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One output of the collector, written but not yet in place: its bytes sit
// in a temporary file beside the target, locked for as long as this run
// holds it, so that a later run can tell a dead run's leftover from a live
// one's. Destroying it unpublished discards the temporary file and leaves the
// target as it was.
class StagedOutput {
  public:
    enum class Placement {
        Replace,      // a regular file or a new name: replaced in one step
        ReplaceLink,  // a link at the name: replaced by a file, not followed
        InPlace,      // a character device or a FIFO with a reader: written to
    };

    virtual ~StagedOutput() = default;
    virtual Placement How() const = 0;
    // Moves the temporary file over the target (or writes to the device).
    // Raises an OutputError naming the target.
    virtual void Publish() = 0;
};

// Looks at what path (used as given, never translated) names and stages the
// parts for it: a regular file, a new name or a link to be replaced, or a
// character device or a FIFO that someone reads, to be written in place.
// Anything else (a folder, a socket, a block device, a FIFO with no reader)
// raises an OutputError naming it, and is never replaced. Temporary files
// that dead runs left for the same target are removed first. Each backend
// supplies it.
std::unique_ptr<StagedOutput> StageOutput(const std::string& path,
                                          std::span<const std::string_view> parts);

}  // namespace zelmo::platform
