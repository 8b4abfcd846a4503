#pragma once

#include <memory>
#include <string>

#include "inventory/mem_info.h"
#include "platform/form_runtime.h"

namespace zelmo::app {

class ZelmoApplication;

// The working window: shows what the collection found, takes the four typed
// facts, and files the record on OK.
class Main {
  public:
    explicit Main(ZelmoApplication& app);
    ~Main();

    // Loads the window first (running the whole collection) when it is not
    // loaded; a request that comes while the load is still running does
    // nothing more.
    void Show();
    // Unloads the window; the program ends with its last window.
    void Unload();

    const std::string& AppSummary() const { return AppSummary_; }

  private:
    enum class State { Created, Loading, Loaded, Closed };

    void Load();
    void Form_Load();
    void ScanApplicationList();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdOption_Click();

    ZelmoApplication& app_;
    State state_ = State::Created;
    std::unique_ptr<platform::Window> window_;
    std::unique_ptr<platform::Window> closed_;

    platform::Label* lblHost = nullptr;
    platform::Label* lblIP = nullptr;
    platform::Label* lblMem = nullptr;
    platform::TextBox* txtname = nullptr;
    platform::TextBox* txtPInv = nullptr;
    platform::TextBox* txtMInv1 = nullptr;
    platform::TextBox* txtLocF = nullptr;
    platform::ListBox* lstAppl = nullptr;

    std::string AppSummary_;
    std::unique_ptr<inventory::clsMemInfo> MemInfo;
};

}  // namespace zelmo::app
