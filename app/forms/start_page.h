#pragma once

#include <memory>

#include "platform/form_runtime.h"

namespace zelmo::app {

class ZelmoApplication;

// The borderless splash window that stays on top while the main window
// loads; one tick of its timer hands over to the main window.
class StartPage {
  public:
    explicit StartPage(ZelmoApplication& app);

    // Loads the window first when it is not loaded.
    void Show();
    // Unloads the window; its timer ends with it.
    void Unload();
    // Shows a progress line beneath the waiting text.
    void ShowProgress(const std::string& text);

  private:
    void Load();
    void Form_Load();
    void Tim01_Timer();

    ZelmoApplication& app_;
    std::unique_ptr<platform::Window> window_;
    // A window closed from inside its own timer's tick lives on until the
    // tick has returned.
    std::unique_ptr<platform::Window> closed_;
};

}  // namespace zelmo::app
