#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/forms/main_window.h"
#include "app/forms/zelmo_application.h"
#include "platform/memory/file_system.h"
#include "platform/memory/form_runtime.h"
#include "platform/memory/host_identity.h"
#include "platform/memory/memory_status.h"
#include "platform/memory/multimedia.h"
#include "platform/record_file.h"
#include "test_support.h"

namespace zelmo::test {

// What the user saw of one run.
struct Seen {
    // The standard run-time error report that ended the program; empty when
    // the run ended normally.
    std::string error;
    int status = 0;
    bool mainShown = false;
    std::vector<std::string> listed;
    std::vector<std::string> messages;
    std::string host;
};

// The program on in-memory machine facts (C: and D: present), with the
// application list and settings as real files in a temporary folder, driven
// the way a user drives it: step by step, or from start to OK by Run.
class ProgramDriver {
  public:
    explicit ProgramDriver(platform::RecordFileService& records) : records_(records) {
        fs.AddDrive('C');
        fs.AddDrive('D');
        memory.SetFixed({25, 536870912, 0, 0, 0, 0, 0});
    }

    std::string ListPath() const { return dir / "ZelmoAppl.csv"; }
    std::string SettingsPath() const { return dir / "Zelmo.ini"; }
    void WriteList(std::string_view bytes) { WriteBytes(ListPath(), bytes); }
    void WriteSettings(std::string_view bytes) { WriteBytes(SettingsPath(), bytes); }

    // The program, created on first reference.
    app::ZelmoApplication& App() {
        if (!app_) {
            app_ = std::make_unique<app::ZelmoApplication>(app::Services{
                forms, fs, memory, host, multimedia, records_, ListPath(), SettingsPath()});
        }
        return *app_;
    }
    // Destroys the program with its windows, as its process would end.
    void EndProgram() { app_.reset(); }
    // The next reference makes a new program on a fresh form run time; the
    // files and machine facts stay.
    void Restart() {
        EndProgram();
        forms = platform::memory::MemoryFormRuntime();
    }

    platform::memory::MemoryWindow* Splash() const { return forms.FindWindow("Form1"); }
    platform::memory::MemoryWindow* MainWindow() const { return forms.FindWindow("Zelmo CB"); }

    // Starts the program and lets the splash's timer tick once.
    platform::memory::MemoryWindow& StartAndHandOver() {
        App().Start();
        Splash()->Tick("Tim01");
        platform::memory::MemoryWindow* main = MainWindow();
        if (!main) throw std::logic_error("the hand-over made no main window");
        return *main;
    }

    static void TypeExampleValues(platform::memory::MemoryWindow& main) {
        main.Type("txtname", "user1");
        main.Type("txtPInv", "PC-0012");
        main.Type("txtMInv1", "MON-0034");
        main.Type("txtLocF", "room 301");
    }

    // A fresh program from start to OK (or Cancel), with the example values
    // typed.
    Seen Run(bool ok = true) {
        Restart();
        Seen seen;
        try {
            platform::memory::MemoryWindow& main = StartAndHandOver();
            seen.mainShown = main.IsVisible();
            if (seen.mainShown) {
                seen.listed = main.Items("lstAppl");
                seen.host = main.Caption("lblHost");
                TypeExampleValues(main);
                main.Press(ok ? "cmdOK" : "cmdCancel");
            }
        } catch (const platform::memory::ProgramEnded& e) {
            seen.error = e.what();
            seen.status = e.status;
        }
        seen.messages = forms.messages;
        return seen;
    }

    // The record line the example values give, with its line end.
    static std::string Record(const std::string& summary, const std::string& host = "WS01",
                              const std::string& ip = "192.0.2.15") {
        return "user1,PC-0012,MON-0034," + host + "," + ip + ",536870912,room 301," + summary +
               "\r\n";
    }

    TempDir dir;
    platform::memory::MemoryFormRuntime forms;
    platform::memory::MemoryFileSystem fs;
    platform::memory::ScriptedMemoryStatus memory;
    platform::memory::FixedHostIdentity host{"ws01", "192.0.2.15"};
    platform::memory::RecordingMultimedia multimedia;

  private:
    platform::RecordFileService& records_;
    std::unique_ptr<app::ZelmoApplication> app_;
};

}  // namespace zelmo::test
