#include "platform/form_runtime.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFont>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>
#include <clocale>
#include <utility>

#include "platform/native_form_runtime.h"
#include "platform/qt/controls.h"
#include "platform/qt/window.h"

namespace zelmo::platform::qt {
namespace {

// Only the busy pointer is ever asked for; any other number shows the arrow.
Qt::CursorShape ShapeFor(int pointer) {
    return pointer == FormRuntime::kBusyPointer ? Qt::BusyCursor : Qt::ArrowCursor;
}

class QtFormRuntime : public NativeFormRuntime, public WindowHost {
  public:
    QtFormRuntime(int& argc, char** argv) : application_(argc, argv) {
        // The splash closes while the main window is still hidden and
        // loading; the program ends with the last window it made instead.
        QApplication::setQuitOnLastWindowClosed(false);
        // The toolkit takes the user's locale for everything; numbers the
        // program prints stay in the C locale's form.
        std::setlocale(LC_NUMERIC, "C");
        // The layouts are drawn for the Windows dialog font, 8 points of a
        // face with Arial's widths; the desktop's usual 9-10 point face
        // cuts the captions off at their fixed widths.
        QFont dialogFont(QStringLiteral("Liberation Sans"));
        dialogFont.setPixelSize(11);
        QApplication::setFont(dialogFont);
    }

    std::unique_ptr<Window> NewWindow(const WindowStyle& style) override {
        auto window = std::make_unique<QtWindow>(*this, style);
        ++liveWindows_;
        return window;
    }

    void SetMousePointer(int pointer) override {
        if (pointer == pointer_) return;
        if (pointer_ != kDefaultPointer) QApplication::restoreOverrideCursor();
        if (pointer != kDefaultPointer) QApplication::setOverrideCursor(QCursor(ShapeFor(pointer)));
        pointer_ = pointer;
    }

    int MousePointer() const override { return pointer_; }

    void Post(std::function<void()> task) override {
        // A queued call: it runs from the event loop of the application's
        // thread, whichever loop that is at the time.
        QMetaObject::invokeMethod(
            &application_,
            [this, task = std::move(task)] {
                task();
                if (waiting_ && waiting_->done()) waiting_->loop.quit();
            },
            Qt::QueuedConnection);
    }

    void ProcessEventsUntil(const std::function<bool()>& done, int tickMs,
                            const std::function<void()>& tick) override {
        if (done()) return;
        Waiting waiting(done);
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, &waiting.loop, [&] {
            tick();
            if (done()) waiting.loop.quit();
        });
        ticker.start(tickMs);
        Waiting* outer = std::exchange(waiting_, &waiting);
        waiting.loop.exec();
        waiting_ = outer;
    }

    int Run() override {
        if (liveWindows_ > 0) {
            QEventLoop loop;
            runLoop_ = &loop;
            loop.exec();
            runLoop_ = nullptr;
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return 0;
    }

    void WindowEnded() override {
        if (--liveWindows_ == 0 && runLoop_) runLoop_->exit(0);
    }

    void RunHandler(const std::function<void()>& handler) override { RunEventHandler(handler); }

  protected:
    void ShowMessageBox(const std::string& text) override {
        QMessageBox box(QMessageBox::NoIcon, ToQString(kApplicationTitle), ToQString(text),
                        QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        // No icon anywhere on it, not even the theme's one on the button.
        if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setIcon(QIcon());
        // The program's windows are topmost; its messages must not hide
        // behind them.
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        box.exec();
    }

  private:
    struct Waiting {
        explicit Waiting(const std::function<bool()>& d) : done(d) {}
        const std::function<bool()>& done;
        QEventLoop loop;
    };

    QApplication application_;
    int pointer_ = kDefaultPointer;
    int liveWindows_ = 0;
    QEventLoop* runLoop_ = nullptr;
    Waiting* waiting_ = nullptr;
};

}  // namespace
}  // namespace zelmo::platform::qt

namespace zelmo::platform {

std::unique_ptr<FormRuntime> OpenFormRuntime(int& argc, char** argv) {
    return std::make_unique<qt::QtFormRuntime>(argc, argv);
}

}  // namespace zelmo::platform
