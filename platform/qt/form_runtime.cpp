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
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "platform/qt/controls.h"
#include "platform/qt/window.h"
#include "platform/runtime_error.h"

namespace zelmo::platform::qt {
namespace {

// How often ProcessEventsUntil asks whether the work is done.
constexpr int kPollMs = 15;

// Only the busy pointer is ever asked for; any other number shows the arrow.
Qt::CursorShape ShapeFor(int pointer) {
    return pointer == FormRuntime::kBusyPointer ? Qt::BusyCursor : Qt::ArrowCursor;
}

class QtFormRuntime : public FormRuntime, public WindowHost {
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

    void Show(const std::string& text) override { ShowBox(text); }

    void SetMousePointer(int pointer) override {
        if (pointer == pointer_) return;
        if (pointer_ != kDefaultPointer) QApplication::restoreOverrideCursor();
        if (pointer != kDefaultPointer) QApplication::setOverrideCursor(QCursor(ShapeFor(pointer)));
        pointer_ = pointer;
    }

    int MousePointer() const override { return pointer_; }

    void ProcessEventsUntil(const std::function<bool()>& done) override {
        if (done()) return;
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done()) loop.quit();
        });
        poll.start(kPollMs);
        loop.exec();
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

    [[noreturn]] void Fail(const RunTimeError& error) override {
        Abort(error.Heading() + "\n\n" + error.Detail());
    }

    void WindowEnded() override {
        if (--liveWindows_ == 0 && runLoop_) runLoop_->exit(0);
    }

    void RunHandler(const std::function<void()>& handler) override {
        try {
            handler();
        } catch (const RunTimeError& e) {
            Fail(e);
        } catch (const std::exception& e) {
            Abort(e.what());
        }
    }

  private:
    void ShowBox(const std::string& text) {
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

    // The standard report of an untrapped failure, then the end: nothing of
    // the program runs after it.
    [[noreturn]] void Abort(const std::string& text) {
        SetMousePointer(kDefaultPointer);
        ShowBox(text);
        std::fflush(nullptr);
        std::_Exit(1);
    }

    QApplication application_;
    int pointer_ = kDefaultPointer;
    int liveWindows_ = 0;
    QEventLoop* runLoop_ = nullptr;
};

}  // namespace
}  // namespace zelmo::platform::qt

namespace zelmo::platform {

std::unique_ptr<FormRuntime> OpenFormRuntime(int& argc, char** argv) {
    return std::make_unique<qt::QtFormRuntime>(argc, argv);
}

}  // namespace zelmo::platform
