#pragma once

#include <QString>

namespace qv {

// What the update check needs from the main window. The window implements it; every call comes on
// the window's thread, after the window has appeared.
class UpdateTarget {
public:
    virtual ~UpdateTarget() = default;

    // A modal Yes/No question with the question icon; true when the user answered Yes.
    virtual bool askUpdate(const QString& title, const QString& text) = 0;
    // The shell's "open" of a web address, shown normally, no working folder.
    virtual void openAddress(const QString& url) = 0;
    // Puts `text` into the message bar and lets it unfold. A non-empty `link` (always an http or
    // https address) makes the message clickable with the hand cursor; an empty one makes it plain
    // text with the arrow cursor, and an earlier link no longer applies.
    virtual void showMessage(const QString& text, const QString& link) = 0;
};

} // namespace qv
