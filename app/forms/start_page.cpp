#include "app/forms/start_page.h"

#include "app/forms/zelmo_application.h"

namespace zelmo::app {

StartPage::StartPage(ZelmoApplication& app) : app_(app) {}

void StartPage::Load() {
    const platform::Rgb background{128, 128, 255};
    window_ = app_.services().forms.NewWindow({"Form1", 312, 64, true, background});
    window_->AddLabel("lbl_wait", "Find Applications........ Please wait", {64, 24, 192, 20}, 0,
                      {true, {255, 255, 255}, background});
    window_->AddTimer("Tim01", 100, app_.Handler([this] { Tim01_Timer(); }));
    Form_Load();
}

void StartPage::Form_Load() { window_->MakeTopmost(); }

void StartPage::Show() {
    if (!window_) Load();
    window_->Show();
}

void StartPage::Unload() {
    if (!window_) return;
    closed_ = std::move(window_);
    closed_->Close();
}

void StartPage::ShowProgress(const std::string& text) {
    if (window_) window_->SetStatus(text);
}

// Does not stop the timer: the main window's load ends it by closing this
// window, and a tick during that load must not start a second one.
void StartPage::Tim01_Timer() { app_.ShowMainWindow(); }

}  // namespace zelmo::app
