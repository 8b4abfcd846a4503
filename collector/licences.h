#pragma once

#include <string>
#include <vector>

#include "platform/text_codec.h"

namespace zelmo::collector {

struct Collection;

// Seats the organisation owns for one application of the list.
struct Licence {
    std::string tag;
    long long seats = 0;
    std::string note;
    int installed = 0;  // hosts with it on any drive, once checked
};

// Reads the licence file (headings tag/タグ, seats/ライセンス数, note/備考),
// in its code page as a ledger is. A missing heading, a seat count that is
// not a whole number, a repeated tag or a tag the list lacks raise a
// UsageError naming them.
std::vector<Licence> ReadLicences(const std::string& path, const std::string& encoding,
                                  const platform::TextCodec& recordCodec,
                                  const Collection& collection);

// Counts the installs of each licensed application, keeps the licences in
// collection.licences and files over-licensed (more installs than seats) as
// a problem of no record file.
void CheckLicences(Collection& collection, std::vector<Licence> licences);

}  // namespace zelmo::collector
