#include "cli/ProgramIo.h"
#include "cli/QvrCommand.h"

#include <ostream>

int main(int argc, char** argv)
{
    const std::vector<std::string> args = qv::ProgramArguments(argc, argv);
    const std::unique_ptr<std::streambuf> standardOutput = qv::StandardStream(1);
    const std::unique_ptr<std::streambuf> standardError = qv::StandardStream(2);
    std::ostream out(standardOutput.get());
    std::ostream err(standardError.get());
    err.setf(std::ios::unitbuf); // messages appear as they are written, as on std::cerr
    const int code = qv::RunQvr(args, out, err);
    out.flush();
    return code;
}
