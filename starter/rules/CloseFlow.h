#pragma once

#include <optional>
#include <string>

namespace qv::starter {

// The German texts of the exit password (UTF-8).
inline constexpr const char* kPasswordTitle = "Passwort";
inline constexpr const char* kPasswordPrompt = "Bitte gib das Passwort zum Beenden ein:";
inline constexpr const char* kWrongPassword = "Das Passwort ist falsch.";

// How a window closes: every close (title bar, Alt+F4, a skin's close area, a page's
// window.close()) asks for the exit password when one is set; a right answer fades the window
// out when fadeout is set, then closes it. While the question or the fade runs, further closes
// are ignored. The runtime shows the dialog, the note and the fade; this class decides.
class CloseFlow {
public:
    enum class Step {
        AskPassword,   // show the password dialog, then call Answer
        ShowWrongNote, // the answer was wrong: show kWrongPassword; the window stays
        Stay,          // nothing to do: the window stays open (cancelled, or already busy)
        StartFadeOut,  // fade the window out, then call FadeOutFinished
        Close,         // close the window now, for good
    };

    // `password` empty: no question. `fadeOut`: fade out before closing.
    CloseFlow(std::string password, bool fadeOut);

    // A close was asked for.
    Step Request();
    // The answer of the password dialog (nullopt: cancelled).
    Step Answer(const std::optional<std::string>& answer);
    // The fade-out has ended.
    Step FadeOutFinished();

    bool IsAsking() const { return state_ == State::Asking; }
    bool IsFadingOut() const { return state_ == State::FadingOut; }
    bool IsClosed() const { return state_ == State::Closed; }

private:
    enum class State { Open, Asking, FadingOut, Closed };
    Step Proceed();

    std::string password_;
    bool fadeOut_;
    State state_ = State::Open;
};

} // namespace qv::starter
