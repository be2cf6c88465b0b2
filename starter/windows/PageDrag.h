#pragma once

// moveeverywhere=1: which presses on the page stay with the page and which move the window.
#include <string>
#include <vector>

namespace qv::starter::win {

// What the press's element and each of its ancestors say about themselves.
struct PressedElement {
    std::wstring tag;      // the tag name, any case
    bool onclick = false;  // has an onclick handler
    bool editable = false; // contenteditable
};

// True when a press stays with the page: on a link, a form element, an image-map area, a
// summary, an element with an onclick handler or an editable one (itself or an ancestor), and
// on a frame, whose page decides for itself. `chain` begins with the pressed element.
bool PressStaysWithPage(const std::vector<PressedElement>& chain);

} // namespace qv::starter::win
