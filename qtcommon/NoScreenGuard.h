#pragma once

#include "cmdline/ProgramTexts.h"

namespace qv {

// While it lives, Qt's fatal message that no platform plugin could be started (DISPLAY names a
// server that does not answer, a Wayland socket is gone) ends the program with the German message
// of qv::cmdline::ScreenUnreachable and exit code 2 instead of Qt's English text and an abort.
// Other messages go to the handler that was installed before. Made right before QApplication and
// ended (End or destruction) right after it.
class NoScreenGuard {
public:
    explicit NoScreenGuard(cmdline::Program program);
    ~NoScreenGuard();
    NoScreenGuard(const NoScreenGuard&) = delete;
    NoScreenGuard& operator=(const NoScreenGuard&) = delete;

    void End();

private:
    bool active_ = true;
};

} // namespace qv
