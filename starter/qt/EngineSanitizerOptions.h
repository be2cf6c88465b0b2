#pragma once

#include "qtcommon/KeepLibrariesMapped.h"

// Sanitizer settings for a program that runs the browser engine; included by exactly one source
// file of each such program (the runtime and its window tests).
#if defined(__SANITIZE_ADDRESS__)
// The browser engine's libraries are built without the sanitizer, and their sized deletes of
// objects allocated in other modules look like mismatches to it. Everything else stays checked.
extern "C" const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0";
}

// The browser engine, the desktop bus, the font library and the sanitizer runtime keep allocations
// until the process ends.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt6WebEngineCore.so\nleak:libdbus-1.so\nleak:libfontconfig.so\nleak:libubsan.so\n";
}
#endif
