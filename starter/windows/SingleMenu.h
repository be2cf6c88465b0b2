#pragma once

// One menu per configuration folder: autorun and a double click on the drive start the program
// twice; the second start brings the first menu to the front and ends, so that `execute` runs
// once and one window shows.
#include <windows.h>

#include <string>

namespace qv::starter::win {

class SingleMenu {
public:
    // Claims the menu of `folder` (UTF-8, as the settings hold it; letter case does not count).
    explicit SingleMenu(const std::string& folder);
    ~SingleMenu();
    SingleMenu(const SingleMenu&) = delete;
    SingleMenu& operator=(const SingleMenu&) = delete;

    // False when a menu of the same folder runs already.
    bool first() const { return first_; }
    // Marks `window` as this folder's menu, for a later start to find.
    void mark(HWND window) const;
    // The running menu's window of this folder (null when none is found), restored and brought to
    // the front.
    HWND bringFirstToFront() const;

private:
    unsigned long long key_ = 0;
    HANDLE mutex_ = nullptr;
    bool first_ = true;
};

} // namespace qv::starter::win
