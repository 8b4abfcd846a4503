#include "platform/memory/form_runtime.h"

#include <algorithm>
#include <chrono>

#include "platform/runtime_error.h"

namespace zelmo::platform::memory {

struct MemoryWindow::Control {
    std::string kind;
    Rect rect;
    int tabIndex = 0;
    std::string text;
    std::vector<std::string> items;
    std::function<void()> onClick;
    std::shared_ptr<void> adapter;  // the contract's view of this control
};

// Labels, text boxes and list boxes are handed out as references; these
// adapters give them the contract's interfaces.
namespace {
struct LabelRef : Label {
    explicit LabelRef(std::string& t) : text(t) {}
    void SetCaption(const std::string& caption) override { text = caption; }
    std::string Caption() const override { return text; }
    std::string& text;
};
struct TextBoxRef : TextBox {
    explicit TextBoxRef(std::string& t) : text(t) {}
    std::string Text() const override { return text; }
    std::string& text;
};
struct ListBoxRef : ListBox {
    explicit ListBoxRef(std::vector<std::string>& i) : items(i) {}
    void Clear() override { items.clear(); }
    void AddItem(const std::string& text) override { items.push_back(text); }
    std::vector<std::string>& items;
};
}  // namespace

MemoryWindow::MemoryWindow(MemoryFormRuntime& runtime, WindowStyle style)
    : WindowBase(std::move(style)), runtime_(runtime) {}

MemoryWindow::~MemoryWindow() {
    Close();
    std::erase(runtime_.windows_, this);
}

MemoryWindow::Control& MemoryWindow::Add(const std::string& name, const std::string& kind,
                                         Rect rect, int tabIndex) {
    auto control = std::make_shared<Control>();
    control->kind = kind;
    control->rect = rect;
    control->tabIndex = tabIndex;
    controls_[name] = control;
    return *control;
}

MemoryWindow::Control& MemoryWindow::Get(const std::string& name) const {
    const auto it = controls_.find(name);
    if (it == controls_.end()) throw std::out_of_range("no control " + name);
    return *it->second;
}

Label& MemoryWindow::AddLabel(const std::string& name, const std::string& caption, Rect rect,
                              int tabIndex, LabelStyle) {
    Control& c = Add(name, "label", rect, tabIndex);
    c.text = caption;
    auto ref = std::make_shared<LabelRef>(c.text);
    c.adapter = ref;
    return *ref;
}

TextBox& MemoryWindow::AddTextBox(const std::string& name, Rect rect, int tabIndex) {
    Control& c = Add(name, "text", rect, tabIndex);
    auto ref = std::make_shared<TextBoxRef>(c.text);
    c.adapter = ref;
    return *ref;
}

ListBox& MemoryWindow::AddListBox(const std::string& name, Rect rect, int tabIndex) {
    Control& c = Add(name, "list", rect, tabIndex);
    auto ref = std::make_shared<ListBoxRef>(c.items);
    c.adapter = ref;
    return *ref;
}

void MemoryWindow::AddButton(const std::string& name, const std::string& caption, Rect rect,
                             int tabIndex, std::function<void()> onClick) {
    Control& c = Add(name, "button", rect, tabIndex);
    c.text = caption;
    c.onClick = std::move(onClick);
}

void MemoryWindow::AddPicture(const std::string& name, Rect rect, int tabIndex) {
    Add(name, "picture", rect, tabIndex);
}

void MemoryWindow::AddTimer(const std::string& name, int, std::function<void()> onTick) {
    timers_[name] = std::move(onTick);
}

void MemoryWindow::MakeTopmost() {
    topmost_ = true;
    runtime_.log.push_back("topmost " + style().caption);
}

void MemoryWindow::Show() {
    if (closed()) return;
    visible_ = true;
    runtime_.log.push_back("show " + style().caption);
}

void MemoryWindow::SetFocus(const std::string& controlName) { focus_ = controlName; }

void MemoryWindow::End() {
    visible_ = false;
    timers_.clear();
    --runtime_.liveWindows_;
    runtime_.log.push_back("close " + style().caption);
}

void MemoryWindow::SetStatus(const std::string& text) { status_ = text; }

std::string MemoryWindow::Caption(const std::string& label) const { return Get(label).text; }

Rect MemoryWindow::Bounds(const std::string& control) const { return Get(control).rect; }

void MemoryWindow::Type(const std::string& textBox, const std::string& text) {
    Control& c = Get(textBox);
    if (c.kind != "text") throw std::logic_error(textBox + " is no text box");
    c.text += text;
}

std::vector<std::string> MemoryWindow::Items(const std::string& listBox) const {
    return Get(listBox).items;
}

void MemoryWindow::Press(const std::string& button) {
    if (closed() || !visible_) throw std::logic_error("pressing " + button + " on a hidden window");
    const auto handler = Get(button).onClick;  // the handler may close this window
    handler();
}

void MemoryWindow::Tick(const std::string& timer) {
    const auto it = timers_.find(timer);
    if (it == timers_.end()) return;  // a stopped timer does not tick
    const auto handler = it->second;
    handler();
}

bool MemoryWindow::HasTimer(const std::string& timer) const { return timers_.count(timer) != 0; }

void MemoryWindow::PressCloseCommand() {
    CloseCommand([](const std::function<void()>& handler) { handler(); });
}

std::vector<std::string> MemoryWindow::TabOrder() const {
    std::vector<std::pair<int, std::string>> order;
    for (const auto& [name, control] : controls_) {
        if (control->kind == "text" || control->kind == "button" || control->kind == "list") {
            order.emplace_back(control->tabIndex, name);
        }
    }
    std::sort(order.begin(), order.end());
    std::vector<std::string> names;
    for (const auto& entry : order) names.push_back(entry.second);
    return names;
}

std::unique_ptr<Window> MemoryFormRuntime::NewWindow(const WindowStyle& style) {
    auto window = std::make_unique<MemoryWindow>(*this, style);
    windows_.push_back(window.get());
    ++liveWindows_;
    log.push_back("create " + style.caption);
    return window;
}

MemoryWindow* MemoryFormRuntime::FindWindow(const std::string& caption) const {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        if ((*it)->style().caption == caption) return *it;
    }
    return nullptr;
}

void MemoryFormRuntime::Show(const std::string& text) {
    messages.push_back(text);
    log.push_back("message " + text);
    if (whileMessageOpen) whileMessageOpen();
}

void MemoryFormRuntime::SetMousePointer(int pointer) {
    pointer_ = pointer;
    log.push_back("pointer " + std::to_string(pointer));
}

void MemoryFormRuntime::Post(std::function<void()> task) {
    {
        const std::lock_guard<std::mutex> lock(posted_->mutex);
        posted_->tasks.push_back(std::move(task));
    }
    posted_->arrived.notify_one();
}

void MemoryFormRuntime::ProcessEventsUntil(const std::function<bool()>& done, int tickMs,
                                           const std::function<void()>& tick) {
    const auto interval = std::chrono::milliseconds(tickMs);
    auto nextTick = std::chrono::steady_clock::now() + interval;
    while (!done()) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(posted_->mutex);
            if (posted_->arrived.wait_until(lock, nextTick,
                                            [&] { return !posted_->tasks.empty(); })) {
                task = std::move(posted_->tasks.front());
                posted_->tasks.pop_front();
            }
        }
        if (task) {
            task();
        } else {
            tick();
            nextTick = std::chrono::steady_clock::now() + interval;
        }
    }
}

int MemoryFormRuntime::Run() { return 0; }

void MemoryFormRuntime::Fail(const RunTimeError& error) {
    if (failure_.empty()) {
        log.push_back("error " + error.Heading() + " " + error.Detail());
        failure_ = error.Report();
    }
    throw ProgramEnded(1, failure_);
}

}  // namespace zelmo::platform::memory
