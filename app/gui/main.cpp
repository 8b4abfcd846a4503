// zelmocb: the desktop program. It starts with the splash window, collects
// the PC's inventory behind it and files the record from the main window.

#include <memory>

#include "app/forms/zelmo_application.h"
#include "app/services/settings.h"
#include "platform/drives.h"
#include "platform/file_system.h"
#include "platform/form_runtime.h"
#include "platform/host_identity.h"
#include "platform/memory_status.h"
#include "platform/multimedia.h"
#include "platform/record_file.h"
#include "platform/runtime_error.h"

namespace {

constexpr const char* kApplicationList = "ZelmoAppl.csv";

}  // namespace

int main(int argc, char** argv) {
    using namespace zelmo;
    std::unique_ptr<platform::FormRuntime> forms = platform::OpenFormRuntime(argc, argv);
    try {
        platform::ConfigureDrives(app::SettingsPath(), {});
    } catch (const platform::RunTimeError& e) {
        forms->Fail(e);
    }
    const auto files = platform::OpenSystemFileSystem();
    const auto memory = platform::OpenSystemMemoryStatus();
    const auto host = platform::OpenSystemHostIdentity();
    const auto multimedia = platform::OpenSystemMultimedia();
    const auto records = platform::OpenSystemRecordFiles();
    app::ZelmoApplication application({*forms, *files, *memory, *host, *multimedia, *records,
                                       kApplicationList, app::SettingsPath()});
    return application.Run();
}
