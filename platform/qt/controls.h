#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <string>

#include "platform/form_runtime.h"

namespace zelmo::platform::qt {

QString ToQString(const std::string& utf8);
std::string FromQString(const QString& text);

// The wrappers outlive their widgets by a little: a window closed from inside
// its own handler deletes its widgets only once that handler has returned,
// and what was last shown can still be read back after that.

class QtLabel : public Label {
  public:
    explicit QtLabel(QLabel* widget, const std::string& caption);
    void SetCaption(const std::string& caption) override;
    std::string Caption() const override { return caption_; }

  private:
    QPointer<QLabel> widget_;
    std::string caption_;
};

class QtTextBox : public TextBox {
  public:
    explicit QtTextBox(QLineEdit* widget);
    ~QtTextBox() override;
    QtTextBox(const QtTextBox&) = delete;
    QtTextBox& operator=(const QtTextBox&) = delete;
    std::string Text() const override;

  private:
    QPointer<QLineEdit> widget_;
    std::string last_;
    QMetaObject::Connection tracking_;
};

class QtListBox : public ListBox {
  public:
    explicit QtListBox(QListWidget* widget) : widget_(widget) {}
    void Clear() override;
    void AddItem(const std::string& text) override;

  private:
    QPointer<QListWidget> widget_;
};

}  // namespace zelmo::platform::qt
