#pragma once

namespace qv::ui {

// The web addresses of the About page.
inline constexpr const char* kMakerHomePage = "https://velmorant.example/";
inline constexpr const char* kIconArtistPage = "https://arndt-icons.example/";
inline constexpr const char* kDonationPage = "https://velmorant.example/spenden/";

} // namespace qv::ui
