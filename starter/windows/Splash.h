#pragma once

// The splash: a picture centred on the screen without a frame, for two seconds.
#include "windows/Picture.h"

#include <functional>

namespace qv::starter::win {

class Splash {
public:
    // Shows `picture` and calls `finished` once it is gone (false when it cannot be shown; then
    // `finished` is not called).
    bool show(HINSTANCE instance, Picture picture, std::function<void()> finished);
    ~Splash();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    Picture picture_;
    std::function<void()> finished_;
    HWND window_ = nullptr;
};

inline constexpr UINT kSplashMilliseconds = 2000;

} // namespace qv::starter::win
