#include "app/forms/main_window.h"

#include <exception>
#include <memory>
#include <thread>

#include "app/forms/zelmo_application.h"
#include "app/services/record_writer.h"
#include "app/services/scan_run.h"
#include "inventory/host_identity.h"

namespace zelmo::app {
namespace {

// How often the splash shows how far the walk has got.
constexpr int kProgressMs = 250;

}  // namespace

Main::Main(ZelmoApplication& app) : app_(app) {}

Main::~Main() = default;

void Main::Load() {
    Services& s = app_.services();
    window_ = s.forms.NewWindow({"Zelmo CB", 246, 274, false, {192, 192, 192}});
    platform::Window& w = *window_;
    w.AddLabel("lblname", "Name", {8, 8, 73, 17}, 19);
    txtname = &w.AddTextBox("txtname", {96, 8, 145, 18}, 0);
    w.AddLabel("lbltxtPInv", "PC is", {8, 32, 65, 17}, 11);
    txtPInv = &w.AddTextBox("txtPInv", {96, 32, 145, 18}, 1);
    w.AddLabel("lbltxtMInv", "Monitor is", {8, 56, 65, 17}, 12);
    txtMInv1 = &w.AddTextBox("txtMInv1", {96, 56, 145, 18}, 2);
    w.AddLabel("lbltxtLoc", "Location is", {8, 80, 65, 17}, 13);
    txtLocF = &w.AddTextBox("txtLocF", {96, 80, 145, 18}, 3);
    w.AddLabel("lbltxtHost", "Hostname is", {8, 112, 65, 17}, 14);
    lblHost = &w.AddLabel("lblHost", "", {80, 112, 113, 17}, 8);
    w.AddLabel("lbltxtIP", "IP Adress is", {8, 136, 65, 17}, 15);
    lblIP = &w.AddLabel("lblIP", "", {80, 136, 113, 17}, 9);
    w.AddLabel("lbltxtMem", "Memory is", {8, 160, 57, 17}, 16);
    lblMem = &w.AddLabel("lblMem", "", {80, 160, 113, 17}, 10);
    w.AddLabel("lbltxtAppl", "Installed Application", {8, 184, 104, 12}, 17);
    lstAppl = &w.AddListBox("lstAppl", {8, 200, 97, 64}, 7);
    w.AddPicture("Picture1", {112, 200, 73, 64}, 18);
    w.AddButton("cmdOK", "OK", {192, 200, 49, 17}, 4, app_.Handler([this] { cmdOK_Click(); }));
    w.AddButton("cmdCancel", "Cancel", {192, 224, 49, 17}, 5,
                app_.Handler([this] { cmdCancel_Click(); }));
    w.AddButton("cmdOption", "CD", {192, 248, 49, 17}, 6,
                app_.Handler([this] { cmdOption_Click(); }));
    // Closing by the window's own command is the same as Cancel.
    w.OnCloseCommand(app_.Handler([this] { cmdCancel_Click(); }));

    state_ = State::Loading;
    Form_Load();
    state_ = State::Loaded;
}

void Main::Form_Load() {
    Services& s = app_.services();
    window_->MakeTopmost();
    s.forms.SetMousePointer(platform::FormRuntime::kBusyPointer);
    lstAppl->Clear();

    ScanApplicationList();

    const inventory::HostIdentity identity = inventory::ReadHostIdentity(s.host);
    lblHost->SetCaption(identity.hostName);
    lblIP->SetCaption(identity.ip);

    if (!MemInfo) MemInfo = std::make_unique<inventory::clsMemInfo>(s.memory);
    lblMem->SetCaption(inventory::MemoryCaption(MemInfo->AllSpace()));

    s.forms.SetMousePointer(platform::FormRuntime::kDefaultPointer);
    app_.CloseSplash();
}

// One walk of each drive answers every row. The walk runs on a worker while
// this thread keeps the windows painting and the splash counting; the rows
// are then applied here, so list-error messages still come in row order.
void Main::ScanApplicationList() {
    Services& s = app_.services();
    ScanRun scan(s.files, s.listPath);

    const auto showProgress = [&] { app_.ShowLoadProgress(scan.ProgressText()); };
    showProgress();
    // Set on this thread by the task the worker posts as its last act; shared,
    // since the task may outlive this call when the wait ends early.
    const auto walked = std::make_shared<bool>(false);
    std::exception_ptr walkFailure;
    {
        // Joins however the wait below ends.
        std::jthread walker([&, walked] {
            try {
                scan.Walk();
            } catch (...) {
                walkFailure = std::current_exception();
            }
            s.forms.Post([walked] { *walked = true; });
        });
        s.forms.ProcessEventsUntil([&] { return *walked; }, kProgressMs, showProgress);
    }
    if (walkFailure) std::rethrow_exception(walkFailure);
    // A fast walk ends between two updates; the line stays up under any
    // list-error box, so it shows the final count.
    showProgress();

    scan.Replay(
        {[this](const std::string& entry) { lstAppl->AddItem(entry); }, AppSummary_, s.forms});
}

void Main::Show() {
    if (state_ == State::Closed) return;
    if (state_ == State::Created) {
        Load();
        window_->Show();
        window_->SetFocus("txtname");
    }
    // A request while the load runs (a tick during a message box) neither
    // loads a second time nor shows the window early.
}

void Main::Unload() {
    if (!window_) return;
    state_ = State::Closed;
    closed_ = std::move(window_);
    closed_->Close();
}

void Main::cmdCancel_Click() { Unload(); }

void Main::cmdOption_Click() { app_.services().multimedia.SendCommand("set cdaudio door open"); }

void Main::cmdOK_Click() {
    Services& s = app_.services();
    const InventoryValues values{txtname->Text(),    txtPInv->Text(),  txtMInv1->Text(),
                                 lblHost->Caption(), lblIP->Caption(), lblMem->Caption(),
                                 txtLocF->Text()};
    FileRecord(s.records, PrepareRecord(values, AppSummary_, s.settingsPath));
    Unload();
}

}  // namespace zelmo::app
