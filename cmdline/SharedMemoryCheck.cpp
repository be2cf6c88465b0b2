#include "cmdline/SharedMemoryCheck.h"

#ifdef __linux__
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#endif

namespace qv::cmdline {

#ifdef __linux__
namespace {

std::string Reason(int error)
{
    switch (error) {
    case ENOENT:
        return "der Ordner fehlt";
    case ENOTDIR:
        return "das ist kein Ordner";
    case EROFS:
        return "nur lesbar eingehängt";
    case EACCES:
    case EPERM:
        return "keine Schreibrechte";
    case ENOSPC:
    case EDQUOT:
        return "kein Platz mehr";
    default:
        return std::strerror(error);
    }
}

} // namespace
#endif

std::string MissingSharedMemory(const std::string& folder)
{
#ifdef __linux__
    // The engine makes its files the same way: a unique name in the folder, removed at once.
    std::string name = folder + "/.quorvane-starter-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd >= 0) {
        ::unlink(name.c_str());
        ::close(fd);
        return {};
    }
    const int error = errno;
    return "quorvane-starter: Kein gemeinsamer Speicher: In \"" + folder
           + "\" lässt sich keine Datei anlegen (" + Reason(error)
           + "). Die Anzeige der Seiten braucht diesen Ordner beschreibbar (ein tmpfs, etwa mit "
             "\"mount -t tmpfs tmpfs /dev/shm\").\n";
#else
    (void)folder;
    return {};
#endif
}

} // namespace qv::cmdline
