#include "platform/native_form_runtime.h"

#include <cstdio>
#include <cstdlib>

#include "platform/runtime_error.h"

namespace zelmo::platform {

void NativeFormRuntime::Fail(const RunTimeError& error) {
    failing_ = true;
    SetMousePointer(kDefaultPointer);
    ShowMessageBox(error.Report());
    std::fflush(nullptr);
    // At once: no destructor or exit handler of the program runs after the
    // report.
    std::_Exit(1);
}

void NativeFormRuntime::RunEventHandler(const std::function<void()>& handler) const {
    if (!failing_) handler();
}

}  // namespace zelmo::platform
