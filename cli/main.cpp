#include "cli/QvrCommand.h"
#include "cli/StandardOutput.h"

#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Configuration bytes are written unchanged: no CR is added to the CR LF line ends.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    qv::DescriptorOutput standardOutput(1);
    std::ostream out(&standardOutput);
    return qv::RunQvr(args, out, std::cerr);
}
