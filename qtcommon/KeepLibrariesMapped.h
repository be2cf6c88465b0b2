#pragma once

// For sanitized builds of a program that shows windows; included by exactly one source file of
// each such program (its main).
//
// Libraries stay mapped until the process ends: dlclose does nothing. A graphics driver or plugin
// that is loaded and unloaded again would otherwise leave blocks that are reachable only from its
// unmapped globals; the leak check reports them from a module without a name, which no
// suppression can match, and a real leak of the program's own would hide among them.
#if defined(__SANITIZE_ADDRESS__) && defined(__unix__)
extern "C" int dlclose(void*)
{
    return 0;
}
#endif
