// Whole settings files through the private-profile reader and the save-path
// reading on top of it.
#include <string>

#include "app/services/settings.h"
#include "fuzz_file.h"
#include "platform/private_profile.h"
#include "platform/runtime_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zelmo;
    fuzz::FuzzFile file("Zelmo.ini", data, size);
    const std::string value = platform::ProfileString("Save", "SavePath", "***", 100, file.path());
    if (platform::TextCodec::System().ToAnsi(value).size() > 99) __builtin_trap();
    if (!fuzz::IsValidUtf8(value)) __builtin_trap();
    platform::ProfileInt("Save", "PathString", 0, file.path());
    platform::ProfileString("Drives", "D", "", 4096, file.path());
    try {
        const std::string folder = app::ReadSavePathFrom(file.path());
        if (!fuzz::IsValidUtf8(folder)) __builtin_trap();
    } catch (const platform::RunTimeError& e) {
        if (e.Number() != platform::kInvalidProcedureCall) __builtin_trap();
    }
    return 0;
}
