#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/form_runtime.h"
#include "platform/host_identity.h"
#include "platform/memory_status.h"
#include "platform/multimedia.h"
#include "platform/record_file.h"

namespace zelmo::app {

class StartPage;
class Main;

// What the program runs on: the form run time and the system's services.
struct Services {
    platform::FormRuntime& forms;
    platform::FileSystem& files;
    platform::MemoryStatusService& memory;
    platform::HostIdentityService& host;
    platform::MultimediaService& multimedia;
    platform::RecordFileService& records;
    // The application list, by bare name from the current directory.
    std::string listPath;
    // Zelmo.ini in the program's folder.
    std::string settingsPath;
};

// The program: its two windows, created on first reference, and its start.
// It owns both windows; they hand over to each other only through it, so
// neither window knows the other.
class ZelmoApplication {
  public:
    explicit ZelmoApplication(Services services);
    ~ZelmoApplication();
    ZelmoApplication(const ZelmoApplication&) = delete;
    ZelmoApplication& operator=(const ZelmoApplication&) = delete;

    // Loads and shows the splash window; no event loop.
    void Start();
    // Start, then the event loop until the last window closes.
    int Run();

    // Referring to a window creates it when it does not exist.
    StartPage& StartPageForm();
    Main& MainForm();

    // The splash window's hand-over: shows the main window, loading it first.
    void ShowMainWindow();
    // The main window's load, as the splash window shows it.
    void ShowLoadProgress(const std::string& text);
    // The main window is loaded: the splash window goes.
    void CloseSplash();

    Services& services() { return services_; }

    // Wraps an event handler: any failure that leaves it, a run-time error
    // or another exception, is reported as a run-time error and ends the
    // program. The one place failures are caught.
    std::function<void()> Handler(std::function<void()> body);

  private:
    Services services_;
    std::unique_ptr<StartPage> startPage_;
    std::unique_ptr<Main> main_;
};

}  // namespace zelmo::app
