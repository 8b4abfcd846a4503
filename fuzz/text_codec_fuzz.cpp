// Code page 932 conversions: any bytes give valid UTF-8, and text that came
// from the code page goes back and forth unchanged.
#include <string>

#include "fuzz_file.h"
#include "platform/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zelmo;
    static const platform::TextCodec cp932("CP932");
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string text = cp932.FromAnsi(bytes);
    if (!fuzz::IsValidUtf8(text)) __builtin_trap();
    if (text.find("\xEF\xBF\xBD") == std::string::npos &&
        cp932.FromAnsi(cp932.ToAnsi(text)) != text) {
        __builtin_trap();
    }

    // The same bytes read as UTF-8 text on the way out.
    const std::string sane = platform::SanitizeUtf8(bytes);
    if (!fuzz::IsValidUtf8(sane)) __builtin_trap();
    const std::string ansi = cp932.ToAnsi(sane);
    if (!fuzz::IsValidUtf8(cp932.FromAnsi(ansi))) __builtin_trap();
    if (!fuzz::IsValidUtf8(platform::UpperCase(sane))) __builtin_trap();
    return 0;
}
