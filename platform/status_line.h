#pragma once

#include <algorithm>
#include <optional>

#include "platform/form_runtime.h"

namespace zelmo::platform {

// The progress line of Window::SetStatus, placed and coloured alike by every
// backend.

// Its distance from the client area's edges, in pixels at 96 dpi.
inline constexpr int kStatusMargin = 2;

// The bottom line of the client area, over whatever is there; every value in
// the backend's own pixels.
inline Rect StatusLineRect(int clientWidth, int clientHeight, int lineHeight, int margin) {
    return {margin, std::max(0, clientHeight - lineHeight - margin),
            std::max(0, clientWidth - 2 * margin), lineHeight};
}

// The line wears the colours of the window's first label that has colours
// of its own, so that it reads as part of that window; otherwise the
// system's.
class StatusLineColours {
  public:
    void NoteLabel(const LabelStyle& style) {
        if (style.customColours && !colours_) colours_ = style;
    }
    const std::optional<LabelStyle>& colours() const { return colours_; }

  private:
    std::optional<LabelStyle> colours_;
};

}  // namespace zelmo::platform
