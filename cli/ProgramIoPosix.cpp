#include "cli/ProgramIo.h"

#include "cli/StandardOutput.h"

#include <unistd.h>

namespace qv {

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::unique_ptr<std::streambuf> StandardStream(int fd)
{
    return std::make_unique<DescriptorOutput>(fd);
}

bool IsTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

bool HostRunsLinuxAutorun()
{
    return true;
}

} // namespace qv
