#include "platform/text_normalization.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>
#include <new>

#include "platform/text_codec.h"

namespace zelmo::platform {

std::string NormalizeNfkc(std::string_view utf8) {
    const std::string valid = SanitizeUtf8(utf8);
    utf8proc_uint8_t* mapped = nullptr;
    const utf8proc_ssize_t length = utf8proc_map(
        reinterpret_cast<const utf8proc_uint8_t*>(valid.data()),
        static_cast<utf8proc_ssize_t>(valid.size()), &mapped,
        static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_COMPAT));
    const std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owner(mapped, &std::free);
    if (length == UTF8PROC_ERROR_NOMEM) throw std::bad_alloc();
    // The text was made valid above; any other failure leaves it as it is.
    if (length < 0) return valid;
    return std::string(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(length));
}

}  // namespace zelmo::platform
