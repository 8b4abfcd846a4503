#include "platform/qt/controls.h"

namespace zelmo::platform::qt {

QString ToQString(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQString(const QString& text) { return text.toUtf8().toStdString(); }

QtLabel::QtLabel(QLabel* widget, const std::string& caption) : widget_(widget), caption_(caption) {
    widget_->setTextFormat(Qt::PlainText);
    widget_->setText(ToQString(caption_));
}

void QtLabel::SetCaption(const std::string& caption) {
    // Kept as given, so that reading it back gives the very same text.
    caption_ = caption;
    if (widget_) widget_->setText(ToQString(caption_));
}

QtTextBox::QtTextBox(QLineEdit* widget) : widget_(widget) {
    tracking_ = QObject::connect(widget, &QLineEdit::textChanged,
                                 [this](const QString& text) { last_ = FromQString(text); });
}

QtTextBox::~QtTextBox() { QObject::disconnect(tracking_); }

std::string QtTextBox::Text() const { return widget_ ? FromQString(widget_->text()) : last_; }

void QtListBox::Clear() {
    if (widget_) widget_->clear();
}

void QtListBox::AddItem(const std::string& text) {
    if (widget_) widget_->addItem(ToQString(text));
}

}  // namespace zelmo::platform::qt
