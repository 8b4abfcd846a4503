#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zelmo::platform {

// The steps of one record-file replacement that differ between systems.
// ReplaceRecord holds the order and the refusals; a backend supplies these
// through NewRecordReplacement. A step that returns false has left the
// system's last error for RaiseLastError. Destroying the object removes the
// temporary file unless MoveIntoPlace succeeded.
class RecordReplacement {
  public:
    virtual ~RecordReplacement() = default;

    // What is at the record's name now.
    struct Existing {
        bool folder = false;    // a real folder (a link to one does not count)
        bool readOnly = false;  // a file this user may not replace
    };

    // Takes path's native name and looks at it (never through a link); false
    // when path cannot name a file here.
    virtual bool Open(const std::string& path) = 0;
    virtual Existing Inspect() = 0;
    // A new temporary file beside the record, made only by this call.
    virtual bool CreateTemp() = 0;
    virtual bool Write(std::string_view bytes) = 0;
    // Writes the temporary file through to the disk and closes it.
    virtual bool Flush() = 0;
    // Puts the temporary file in the record's place in one step, carrying
    // the earlier record's permissions or marks over; a link at the name is
    // replaced, not followed.
    virtual bool MoveIntoPlace() = 0;
    // After a successful replace: clears what earlier, killed runs left.
    virtual void CleanUp() {}
    // Raises the RunTimeError that the system's last error means for path.
    [[noreturn]] virtual void RaiseLastError(const std::string& path) = 0;
};

// Supplied by each backend.
std::unique_ptr<RecordReplacement> NewRecordReplacement();

// Refuses what must stay as it is, then writes a temporary file, flushes it
// and renames it over the record, so a failure at any point leaves the
// earlier record as it was.
void ReplaceRecord(RecordReplacement& steps, const std::string& path,
                   std::span<const std::string_view> parts);

}  // namespace zelmo::platform
