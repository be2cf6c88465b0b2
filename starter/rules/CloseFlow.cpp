#include "rules/CloseFlow.h"

#include <utility>

namespace qv::starter {

CloseFlow::CloseFlow(std::string password, bool fadeOut)
    : password_(std::move(password))
    , fadeOut_(fadeOut)
{
}

CloseFlow::Step CloseFlow::Proceed()
{
    if (fadeOut_) {
        state_ = State::FadingOut;
        return Step::StartFadeOut;
    }
    state_ = State::Closed;
    return Step::Close;
}

CloseFlow::Step CloseFlow::Request()
{
    switch (state_) {
    case State::Open:
        if (!password_.empty()) {
            state_ = State::Asking;
            return Step::AskPassword;
        }
        return Proceed();
    case State::Asking:
    case State::FadingOut:
        return Step::Stay;
    case State::Closed:
        return Step::Close;
    }
    return Step::Stay;
}

CloseFlow::Step CloseFlow::Answer(const std::optional<std::string>& answer)
{
    if (state_ != State::Asking)
        return state_ == State::Closed ? Step::Close : Step::Stay;
    if (!answer) {
        state_ = State::Open;
        return Step::Stay;
    }
    if (*answer != password_) {
        state_ = State::Open;
        return Step::ShowWrongNote;
    }
    return Proceed();
}

CloseFlow::Step CloseFlow::FadeOutFinished()
{
    if (state_ != State::FadingOut)
        return state_ == State::Closed ? Step::Close : Step::Stay;
    state_ = State::Closed;
    return Step::Close;
}

} // namespace qv::starter
