#include "app/forms/zelmo_application.h"

#include <exception>
#include <new>

#include "app/forms/main_window.h"
#include "app/forms/start_page.h"
#include "platform/runtime_error.h"

namespace zelmo::app {

ZelmoApplication::ZelmoApplication(Services services) : services_(std::move(services)) {}

ZelmoApplication::~ZelmoApplication() = default;

StartPage& ZelmoApplication::StartPageForm() {
    if (!startPage_) startPage_ = std::make_unique<StartPage>(*this);
    return *startPage_;
}

Main& ZelmoApplication::MainForm() {
    if (!main_) main_ = std::make_unique<Main>(*this);
    return *main_;
}

void ZelmoApplication::ShowMainWindow() { MainForm().Show(); }

void ZelmoApplication::ShowLoadProgress(const std::string& text) {
    StartPageForm().ShowProgress(text);
}

void ZelmoApplication::CloseSplash() { StartPageForm().Unload(); }

std::function<void()> ZelmoApplication::Handler(std::function<void()> body) {
    return [this, body = std::move(body)] {
        using platform::RunTimeError;
        try {
            body();
        } catch (const RunTimeError& e) {
            services_.forms.Fail(e);
        } catch (const std::bad_alloc&) {
            services_.forms.Fail(RunTimeError::OutOfMemory());
        } catch (const std::exception& e) {
            services_.forms.Fail(RunTimeError(platform::kInternalError, e.what()));
        } catch (...) {
            services_.forms.Fail(RunTimeError(platform::kInternalError, ""));
        }
    };
}

void ZelmoApplication::Start() {
    Handler([this] { StartPageForm().Show(); })();
}

int ZelmoApplication::Run() {
    Start();
    return services_.forms.Run();
}

}  // namespace zelmo::app
