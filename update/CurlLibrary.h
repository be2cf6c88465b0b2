#pragma once

#include <curl/curl.h>

namespace qv {

// The functions of the network library that a download uses. The library and the TLS libraries it
// brings are loaded the first time a download needs them, not at program start: most runs of the
// designer never download anything, and those that do need it only after the window is shown.
struct CurlLibrary {
    decltype(&curl_global_init) global_init;
    decltype(&curl_version_info) version_info;
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_cleanup) easy_cleanup;
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...);
    decltype(&curl_multi_init) multi_init;
    decltype(&curl_multi_cleanup) multi_cleanup;
    decltype(&curl_multi_add_handle) multi_add_handle;
    decltype(&curl_multi_remove_handle) multi_remove_handle;
    decltype(&curl_multi_perform) multi_perform;
    decltype(&curl_multi_poll) multi_poll;
    decltype(&curl_multi_wakeup) multi_wakeup;
    decltype(&curl_multi_info_read) multi_info_read;
    unsigned int versionNumber; // of the library loaded, as LIBCURL_VERSION_NUM
};

// Loads and initialises the library once; null when it is not installed (a download then fails
// like one without a connection).
const CurlLibrary* Curl();

} // namespace qv
