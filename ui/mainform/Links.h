#pragma once

namespace qv::ui {

// The web addresses of the About page: the program and its disc icon are the Quorvane team's own.
inline constexpr const char* kMakerHomePage = "https://www.quorvane.example/";
inline constexpr const char* kIconArtistPage = "https://www.quorvane.example/";
inline constexpr const char* kDonationPage = "https://www.quorvane.example/spenden/";

} // namespace qv::ui
