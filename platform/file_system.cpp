#include "platform/file_system.h"

#include "platform/ascii.h"
#include "platform/text_codec.h"

namespace zelmo::platform {

void FileSystem::NameKey(std::string_view name, std::string& key) const {
    key.assign(name);
    bool ascii = true;
    for (char& c : key) {
        c = AsciiUpper(c);
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    }
    // Most names are ASCII; only the rest pay for the locale's case table.
    if (!ascii) key = UpperCase(name);
}

}  // namespace zelmo::platform
