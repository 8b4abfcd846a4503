// The Qt form run time against its contract, on Qt's offscreen platform.

#include "platform/form_runtime.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>

namespace zelmo::platform {
namespace {

class QtForms : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "zelmo_qt_tests";
        static char* argv[] = {name, nullptr};
        forms_ = OpenFormRuntime(argc, argv).release();
    }

    static QWidget* TopLevel(const QString& title) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->windowTitle() == title && widget->isVisible()) return widget;
        }
        return nullptr;
    }

    template <typename T>
    static T* Child(QWidget* window, QRect geometry) {
        for (T* child : window->findChildren<T*>()) {
            if (child->geometry() == geometry) return child;
        }
        return nullptr;
    }

    static FormRuntime* forms_;
};

FormRuntime* QtForms::forms_ = nullptr;

TEST_F(QtForms, PlacesControlsAtTheirPixelsInAFixedWindow) {
    auto window = forms_->NewWindow({"Layout", 246, 274, false, {192, 192, 192}});
    Label& caption = window->AddLabel("lblname", "Name", {8, 8, 73, 17}, 19);
    window->AddLabel("lblwait", "Wait", {64, 24, 192, 20}, 0,
                     {true, {255, 255, 255}, {128, 128, 255}});
    window->AddTextBox("txtname", {96, 8, 145, 18}, 0);
    window->AddListBox("lstAppl", {8, 200, 97, 64}, 7);
    window->AddPicture("Picture1", {112, 200, 73, 64}, 18);
    window->AddButton("cmdOK", "OK", {192, 200, 49, 17}, 4, [] {});
    window->Show();

    QWidget* top = TopLevel("Layout");
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->size(), QSize(246, 274));
    EXPECT_EQ(top->minimumSize(), top->maximumSize());
    EXPECT_EQ(top->palette().color(QPalette::Window), QColor(192, 192, 192));

    QLabel* name = Child<QLabel>(top, {8, 8, 73, 17});
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Name");
    // Opaque, in the system's control colour; only the window is grey.
    const QColor control = QApplication::palette().color(QPalette::Button);
    EXPECT_NE(control, QColor(192, 192, 192));
    EXPECT_TRUE(name->autoFillBackground());
    EXPECT_EQ(name->palette().color(QPalette::Window), control);
    caption.SetCaption("<b>1 & 2</b>");
    EXPECT_EQ(caption.Caption(), "<b>1 & 2</b>");
    EXPECT_EQ(name->textFormat(), Qt::PlainText);

    QLabel* wait = Child<QLabel>(top, {64, 24, 192, 20});
    ASSERT_NE(wait, nullptr);
    EXPECT_EQ(wait->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    EXPECT_EQ(wait->palette().color(QPalette::Window), QColor(128, 128, 255));

    QLineEdit* text = Child<QLineEdit>(top, {96, 8, 145, 18});
    ASSERT_NE(text, nullptr);
    EXPECT_GE(text->maxLength(), 1 << 30);
    EXPECT_NE(Child<QListWidget>(top, {8, 200, 97, 64}), nullptr);
    EXPECT_NE(Child<QPushButton>(top, {192, 200, 49, 17}), nullptr);

    QLabel* picture = Child<QLabel>(top, {112, 200, 73, 64});
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixmap().size(), QSize(69, 61));
    EXPECT_EQ(picture->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(picture->autoFillBackground());
    EXPECT_EQ(picture->palette().color(QPalette::Window), control);
    window->Close();
}

TEST_F(QtForms, KeyboardFollowsTabIndexesAndOnlySpacePressesAButton) {
    auto window = forms_->NewWindow({"Keys", 200, 200, false, {192, 192, 192}});
    int clicks = 0;
    // Added out of tab order, with a label between, which never takes focus.
    window->AddButton("cmdOK", "OK", {100, 100, 49, 17}, 2, [&] { ++clicks; });
    TextBox& second = window->AddTextBox("txtB", {8, 40, 80, 18}, 1);
    window->AddLabel("lbl", "x", {8, 70, 40, 17}, 0);
    window->AddTextBox("txtA", {8, 8, 80, 18}, 0);
    window->AddListBox("lst", {8, 100, 80, 60}, 3);
    window->Show();
    window->SetFocus("txtA");
    QWidget* top = TopLevel("Keys");
    ASSERT_NE(top, nullptr);
    QApplication::setActiveWindow(top);
    QTest::qWait(20);

    auto* txtA = Child<QLineEdit>(top, {8, 8, 80, 18});
    auto* txtB = Child<QLineEdit>(top, {8, 40, 80, 18});
    auto* ok = Child<QPushButton>(top, {100, 100, 49, 17});
    auto* list = Child<QListWidget>(top, {8, 100, 80, 60});
    ASSERT_EQ(QApplication::focusWidget(), txtA);
    QTest::keyClick(txtA, Qt::Key_Return);
    QTest::keyClick(txtA, Qt::Key_Escape);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), txtB);
    QTest::keyClicks(txtB, "typed, as is");
    EXPECT_EQ(second.Text(), "typed, as is");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), ok);
    QTest::keyClick(ok, Qt::Key_Return);
    QTest::keyClick(ok, Qt::Key_Enter);
    QTest::keyClick(ok, Qt::Key_Escape);
    EXPECT_EQ(clicks, 0);
    QTest::keyClick(ok, Qt::Key_Space);
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), list);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), txtA);

    window->Close();
    QTest::qWait(20);
    EXPECT_EQ(second.Text(), "typed, as is");  // still readable once the window has gone
}

TEST_F(QtForms, RunEndsWithTheLastWindowAndCloseEndsTimers) {
    auto splash = forms_->NewWindow({"Splash", 312, 64, true, {128, 128, 255}});
    auto main = forms_->NewWindow({"Main", 246, 274, false, {192, 192, 192}});
    int splashTicks = 0;
    int mainTicks = 0;
    splash->AddTimer("Tim01", 10, [&] {
        // Closed from inside its own tick, as the hand-over does.
        if (++splashTicks == 1) splash->Close();
    });
    int closeRequests = 0;
    main->OnCloseCommand([&] { ++closeRequests; });
    main->AddTimer("Tick", 10, [&] {
        if (++mainTicks == 1) {
            // The close command asks; the handler decides and here keeps it.
            QTimer::singleShot(0, [] { TopLevel("Main")->close(); });
        } else if (mainTicks == 5) {
            main->Close();
        }
    });
    splash->Show();
    main->Show();
    EXPECT_EQ(forms_->Run(), 0);
    EXPECT_EQ(splashTicks, 1);
    EXPECT_EQ(mainTicks, 5);
    EXPECT_EQ(closeRequests, 1);
    EXPECT_FALSE(main->IsVisible());
    QTest::qWait(50);
    EXPECT_EQ(mainTicks, 5);
}

TEST_F(QtForms, CloseCommandWithoutHandlerEndsTheWindow) {
    auto window = forms_->NewWindow({"Plain", 100, 100, false, {192, 192, 192}});
    window->Show();
    QTimer::singleShot(0, [] { TopLevel("Plain")->close(); });
    EXPECT_EQ(forms_->Run(), 0);
    EXPECT_FALSE(window->IsVisible());
}

TEST_F(QtForms, TopmostKeepsGeometryAndPointerOverridesAll) {
    auto window = forms_->NewWindow({"Top", 120, 80, false, {192, 192, 192}});
    window->Show();
    QWidget* top = TopLevel("Top");
    ASSERT_NE(top, nullptr);
    const QRect before = top->geometry();
    window->MakeTopmost();
    EXPECT_TRUE(top->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->IsVisible());
    EXPECT_EQ(top->geometry(), before);

    forms_->SetMousePointer(FormRuntime::kBusyPointer);
    forms_->SetMousePointer(FormRuntime::kBusyPointer);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    EXPECT_EQ(forms_->MousePointer(), FormRuntime::kBusyPointer);
    forms_->SetMousePointer(FormRuntime::kDefaultPointer);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(forms_->MousePointer(), FormRuntime::kDefaultPointer);
    window->Close();
}

// The wait ends with the task the worker posts, not by looking at a flag:
// the worker posts only once timers and progress ticks have run meanwhile.
TEST_F(QtForms, WaitingForAWorkerKeepsTimersAndProgressRunningUntilItPosts) {
    auto window = forms_->NewWindow({"Wait", 100, 100, true, {0, 0, 0}});
    std::atomic<int> ticks = 0;
    int progress = 0;
    bool finished = false;
    window->AddTimer("t", 5, [&] { ++ticks; });
    std::thread worker([&] {
        while (ticks < 3) std::this_thread::yield();
        forms_->Post([&] { finished = true; });
    });
    forms_->ProcessEventsUntil([&] { return finished; }, 5, [&] { ++progress; });
    worker.join();
    EXPECT_TRUE(finished);
    EXPECT_GE(ticks, 3);
    EXPECT_GE(progress, 1);
    window->Close();
}

}  // namespace
}  // namespace zelmo::platform
