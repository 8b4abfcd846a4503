#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/zelmo_application.h"
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
// application list and settings as real files in a temporary folder, run from
// start to OK the way a user runs it.
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

    // Starts, lets the splash hand over, types the four example values and
    // presses OK (or Cancel).
    Seen Run(bool ok = true) {
        app_.reset();
        forms = platform::memory::MemoryFormRuntime();
        app_ = std::make_unique<app::ZelmoApplication>(app::Services{
            forms, fs, memory, host, multimedia, records_, ListPath(), SettingsPath()});
        Seen seen;
        try {
            app_->Start();
            forms.FindWindow("Form1")->Tick("Tim01");
            platform::memory::MemoryWindow* main = forms.FindWindow("Zelmo CB");
            seen.mainShown = main != nullptr && main->IsVisible();
            if (seen.mainShown) {
                seen.listed = main->Items("lstAppl");
                seen.host = main->Caption("lblHost");
                main->Type("txtname", "user1");
                main->Type("txtPInv", "PC-0012");
                main->Type("txtMInv1", "MON-0034");
                main->Type("txtLocF", "room 301");
                main->Press(ok ? "cmdOK" : "cmdCancel");
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
