#include "update/CurlLibrary.h"

#include <mutex>

#ifdef _WIN32
// Windows builds link the library; it is loaded with the program.
#else
#include <dlfcn.h>
#endif

namespace qv {
namespace {

#ifndef _WIN32
// Tries the library's names in the order of preference; it is never unloaded.
void* OpenLibrary()
{
    for (const char* name : {"libcurl.so.4", "libcurl-gnutls.so.4", "libcurl.so"}) {
        if (void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL))
            return handle;
    }
    return nullptr;
}

template <typename F>
bool Bind(void* handle, F& function, const char* name)
{
    function = reinterpret_cast<F>(dlsym(handle, name));
    return function != nullptr;
}
#endif

bool Load(CurlLibrary& curl)
{
#ifdef _WIN32
    curl.global_init = &curl_global_init;
    curl.version_info = &curl_version_info;
    curl.easy_init = &curl_easy_init;
    curl.easy_cleanup = &curl_easy_cleanup;
    curl.easy_setopt = &curl_easy_setopt;
    curl.multi_init = &curl_multi_init;
    curl.multi_cleanup = &curl_multi_cleanup;
    curl.multi_add_handle = &curl_multi_add_handle;
    curl.multi_remove_handle = &curl_multi_remove_handle;
    curl.multi_perform = &curl_multi_perform;
    curl.multi_poll = &curl_multi_poll;
    curl.multi_wakeup = &curl_multi_wakeup;
    curl.multi_info_read = &curl_multi_info_read;
#else
    void* handle = OpenLibrary();
    if (!handle)
        return false;
    const bool complete = Bind(handle, curl.global_init, "curl_global_init")
                          && Bind(handle, curl.version_info, "curl_version_info")
                          && Bind(handle, curl.easy_init, "curl_easy_init")
                          && Bind(handle, curl.easy_cleanup, "curl_easy_cleanup")
                          && Bind(handle, curl.easy_setopt, "curl_easy_setopt")
                          && Bind(handle, curl.multi_init, "curl_multi_init")
                          && Bind(handle, curl.multi_cleanup, "curl_multi_cleanup")
                          && Bind(handle, curl.multi_add_handle, "curl_multi_add_handle")
                          && Bind(handle, curl.multi_remove_handle, "curl_multi_remove_handle")
                          && Bind(handle, curl.multi_perform, "curl_multi_perform")
                          && Bind(handle, curl.multi_poll, "curl_multi_poll")
                          && Bind(handle, curl.multi_wakeup, "curl_multi_wakeup")
                          && Bind(handle, curl.multi_info_read, "curl_multi_info_read");
    if (!complete)
        return false; // older than the functions used here
#endif
    if (curl.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return false;
    const curl_version_info_data* info = curl.version_info(CURLVERSION_NOW);
    curl.versionNumber = info ? info->version_num : 0;
    return true;
}

} // namespace

const CurlLibrary* Curl()
{
    static CurlLibrary library{};
    static bool usable = false;
    static std::once_flag once;
    std::call_once(once, [] {
        usable = Load(library);
    });
    return usable ? &library : nullptr;
}

} // namespace qv
