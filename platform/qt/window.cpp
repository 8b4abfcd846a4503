#include "platform/qt/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <climits>

#include "platform/qt/controls.h"

namespace zelmo::platform::qt {
namespace {

// The program's picture, embedded in the executable as a resource.
constexpr const char* kPictureResource = ":/zelmo/picture.bmp";

QColor ToQColor(Rgb rgb) { return QColor(rgb.r, rgb.g, rgb.b); }

// Hands the title bar's close command to the window's owner instead of
// closing: the program decides, and ends the window itself.
class FormWidget : public QWidget {
  public:
    using QWidget::QWidget;
    std::function<void()> onCloseRequest;

  protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        if (std::function<void()> request = onCloseRequest) request();
    }
};

Qt::WindowFlags FlagsFor(const WindowStyle& style) {
    if (style.borderless) {
        // A splash has no taskbar button: the user never works in it.
        return Qt::SplashScreen | Qt::FramelessWindowHint;
    }
    return Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
           Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
           Qt::WindowCloseButtonHint;
}

void ApplyColours(QWidget* widget, Rgb foreground, Rgb background) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, ToQColor(foreground));
    palette.setColor(QPalette::Window, ToQColor(background));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Labels and the picture box stand on the system's standard control colour,
// opaque, whatever colour the window itself has.
void UseControlColour(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

QtWindow::QtWindow(WindowHost& host, const WindowStyle& style) : WindowBase(style), host_(host) {
    auto* widget = new FormWidget(nullptr, FlagsFor(style));
    widget->onCloseRequest = [this] {
        CloseCommand([this](const std::function<void()>& handler) { host_.RunHandler(handler); });
    };
    widget_ = widget;
    widget_->setWindowTitle(ToQString(style.caption));
    widget_->setFixedSize(style.clientWidth, style.clientHeight);
    QPalette palette = widget_->palette();
    palette.setColor(QPalette::Window, ToQColor(style.background));
    widget_->setPalette(palette);
    widget_->setAutoFillBackground(true);
}

QtWindow::~QtWindow() { Close(); }

void QtWindow::Place(QWidget* control, const std::string& name, Rect rect) {
    control->setGeometry(rect.left, rect.top, rect.width, rect.height);
    controls_[name] = control;
}

void QtWindow::AddTabStop(QWidget* control, int tabIndex) {
    tabStops_.emplace_back(tabIndex, control);
    std::stable_sort(tabStops_.begin(), tabStops_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabStops_.size(); ++i) {
        if (tabStops_[i - 1].second && tabStops_[i].second) {
            QWidget::setTabOrder(tabStops_[i - 1].second, tabStops_[i].second);
        }
    }
}

Label& QtWindow::AddLabel(const std::string& name, const std::string& caption, Rect rect,
                          int /*tabIndex: labels never take the focus*/, LabelStyle style) {
    auto* label = new QLabel(widget_);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFocusPolicy(Qt::NoFocus);
    if (style.customColours) {
        ApplyColours(label, style.foreground, style.background);
    } else {
        UseControlColour(label);
    }
    statusColours_.NoteLabel(style);
    Place(label, name, rect);
    labels_.push_back(std::make_unique<QtLabel>(label, caption));
    return *labels_.back();
}

TextBox& QtWindow::AddTextBox(const std::string& name, Rect rect, int tabIndex) {
    auto* edit = new QLineEdit(widget_);
    edit->setMaxLength(INT_MAX);
    edit->setFocusPolicy(Qt::StrongFocus);
    Place(edit, name, rect);
    AddTabStop(edit, tabIndex);
    textBoxes_.push_back(std::make_unique<QtTextBox>(edit));
    return *textBoxes_.back();
}

ListBox& QtWindow::AddListBox(const std::string& name, Rect rect, int tabIndex) {
    auto* list = new QListWidget(widget_);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setFocusPolicy(Qt::StrongFocus);
    Place(list, name, rect);
    AddTabStop(list, tabIndex);
    listBoxes_.push_back(std::make_unique<QtListBox>(list));
    return *listBoxes_.back();
}

void QtWindow::AddButton(const std::string& name, const std::string& caption, Rect rect,
                         int tabIndex, std::function<void()> onClick) {
    auto* button = new QPushButton(ToQString(caption), widget_);
    // Neither Enter nor Esc may press a button; Space on a focused one does.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
    Place(button, name, rect);
    AddTabStop(button, tabIndex);
    WindowHost* host = &host_;
    QObject::connect(button, &QPushButton::clicked, button,
                     [host, onClick = std::move(onClick)] { host->RunHandler(onClick); });
}

void QtWindow::AddPicture(const std::string& name, Rect rect, int /*tabIndex: never focused*/) {
    auto* picture = new QLabel(widget_);
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setLineWidth(1);
    picture->setAlignment(Qt::AlignCenter);
    picture->setFocusPolicy(Qt::NoFocus);
    UseControlColour(picture);
    picture->setPixmap(QPixmap(QString::fromLatin1(kPictureResource)));
    Place(picture, name, rect);
}

void QtWindow::AddTimer(const std::string& /*name*/, int intervalMs, std::function<void()> onTick) {
    if (closed()) return;
    auto* timer = new QTimer(widget_);
    timer->setInterval(intervalMs);
    WindowHost* host = &host_;
    QObject::connect(timer, &QTimer::timeout, timer,
                     [host, onTick = std::move(onTick)] { host->RunHandler(onTick); });
    timers_.push_back(timer);
    timer->start();
}

void QtWindow::MakeTopmost() {
    if (!widget_ || (widget_->windowFlags() & Qt::WindowStaysOnTopHint)) return;
    const bool visible = widget_->isVisible();
    const QRect geometry = widget_->geometry();
    // Changing the flags of a visible window hides it; it comes back where
    // it was.
    widget_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (visible) {
        widget_->setGeometry(geometry);
        widget_->show();
    }
}

void QtWindow::Show() {
    if (!widget_ || closed()) return;
    if (!placed_) {
        placed_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            widget_->move(area.x() + (area.width() - widget_->width()) / 2,
                          area.y() + (area.height() - widget_->height()) / 2);
        }
    }
    widget_->show();
    widget_->raise();
    widget_->activateWindow();
    if (focusOnShow_) FocusSoon(focusOnShow_);
}

bool QtWindow::IsVisible() const { return widget_ && !closed() && widget_->isVisible(); }

void QtWindow::FocusSoon(QWidget* control) {
    // The window manager activates a newly shown window a little later;
    // asking again from the event loop makes the focus land after that.
    QTimer::singleShot(0, control, [control] {
        control->activateWindow();
        control->setFocus(Qt::OtherFocusReason);
    });
}

void QtWindow::SetFocus(const std::string& controlName) {
    const auto found = controls_.find(controlName);
    if (closed() || found == controls_.end() || !found->second) return;
    QWidget* control = found->second;
    if (control->focusPolicy() == Qt::NoFocus) return;
    control->setFocus(Qt::OtherFocusReason);
    if (widget_->isVisible()) {
        focusOnShow_ = nullptr;
        widget_->activateWindow();
        FocusSoon(control);
    } else {
        focusOnShow_ = control;
    }
}

void QtWindow::SetStatus(const std::string& text) {
    if (!widget_ || closed()) return;
    if (!status_) {
        status_ = new QLabel(widget_);
        status_->setTextFormat(Qt::PlainText);
        status_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        status_->setFocusPolicy(Qt::NoFocus);
        if (const auto& colours = statusColours_.colours()) {
            ApplyColours(status_, colours->foreground, colours->background);
        }
        const Rect place = StatusLineRect(style().clientWidth, style().clientHeight,
                                          status_->fontMetrics().height(), kStatusMargin);
        status_->setGeometry(place.left, place.top, place.width, place.height);
        status_->show();
    }
    const QString full = ToQString(text);
    status_->setText(status_->fontMetrics().elidedText(full, Qt::ElideMiddle, status_->width()));
    // Progress is reported while the program does not return to the event
    // loop, so the line is painted now rather than when it next does.
    if (status_->isVisible()) status_->repaint();
}

void QtWindow::End() {
    for (const QPointer<QTimer>& timer : timers_) {
        if (timer) {
            timer->stop();
            timer->disconnect();
        }
    }
    if (widget_) {
        static_cast<FormWidget*>(widget_.data())->onCloseRequest = nullptr;
        widget_->hide();
        // Deleted from the event loop: Close may come from one of the
        // window's own handlers, which is still running.
        widget_->deleteLater();
    }
    host_.WindowEnded();
}

}  // namespace zelmo::platform::qt
