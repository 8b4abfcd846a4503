#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text_codec.h"

namespace zelmo::platform::posix {

// One drive letter's root folder: absolute, with links resolved, no trailing
// '/' except for "/" itself, in UTF-8; and the identity of that folder, which
// bounds the walk to the root's own file system.
struct DriveRoot {
    std::string folder;
    dev_t device = 0;
    ino_t inode = 0;
};

// The root of drive letter ('C' or 'c'), or nothing when the drive is absent.
// Until ConfigureDrives runs, C: is "/" and there is no other drive.
std::optional<DriveRoot> FindDrive(char letter);

// Bit k set for each drive 'A' + k that the table holds.
std::uint32_t DriveMask();

// The drive letter a program path starts with ("C:\x", "c:"), upper-cased.
std::optional<char> DriveLetterOf(std::string_view programPath);

// A program path in the POSIX form, in codec's code page. "C:\A\B" and "C:A\B"
// go below C's root, "C:" is the root itself; a path without a drive ("\x",
// "rel\x") only has its backslashes turned. Nothing when the drive is absent.
std::optional<std::string> ToPosixPath(std::string_view programPath,
                                       const TextCodec& codec = TextCodec::System());

// The reverse: a POSIX path (codec's code page) below a drive root, as
// "C:\A\B". Where roots nest (C=/ and D=/srv/data) the innermost drive wins.
// Nothing when no drive holds the path.
std::optional<std::string> ToProgramPath(std::string_view posixPath,
                                         const TextCodec& codec = TextCodec::System());

}  // namespace zelmo::platform::posix
