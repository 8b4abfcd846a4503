#pragma once

#include <stdexcept>

namespace zelmo::collector {

// Input the administrator gave that the command cannot use (a ledger without
// its key column, a licence for a tag the list lacks); the message names the
// file and what is wrong. The command line ends with the usage status.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace zelmo::collector
