#include "cli/VerifyCommand.h"

#include "cli/ProgramIo.h"
#include "cli/QvrCommand.h"
#include "config/StarterContract.h"
#include "disc/DiscCheck.h"
#include "disc/LinuxAutorun.h"

#include <filesystem>
#include <optional>
#include <ostream>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qv {

namespace fs = std::filesystem;

fs::path FindReferenceStarter()
{
    std::error_code ec;
#ifdef _WIN32
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    const fs::path program = length > 0 ? fs::path(std::wstring(buffer, length)) : fs::path();
#else
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
#endif
    if (program.empty())
        return {};
    const fs::path here = program.parent_path();
    for (const fs::path& candidate : {here / starter::kExamplesFolder / starter::kExecutable,
                                      here / QV_EXAMPLES_FROM_BIN / starter::kExecutable}) {
        if (fs::is_regular_file(candidate, ec))
            return candidate.lexically_normal();
    }
    return {};
}

int RunVerify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> folders;
    bool forLinux = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--linux")
            forLinux = true;
        else
            folders.push_back(args[i]);
    }
    if (folders.size() != 1 || (folders[0].size() > 1 && folders[0][0] == '-')) {
        err << "qvr: verify erwartet genau einen Ordner.\n\n" << QvrUsage();
        return 2;
    }
    const fs::path folder = PathFromUtf8(folders[0]);
    DiscCheckOptions options;
    options.referenceStarter = FindReferenceStarter();
    std::string failure;
    std::optional<DiscReport> report = CheckDiscFolder(folder, options, failure);
    if (!report) {
        err << failure << '\n';
        return 2;
    }
    if (forLinux) {
        const LinuxStart start = ReadLinuxStart(folder);
        const std::optional<LinuxHostTools> host =
            HostRunsLinuxAutorun() ? std::optional<LinuxHostTools>(FindLinuxHostTools()) : std::nullopt;
        for (const std::string& line : AddLinuxStartCheck(folder, start, host, *report))
            out << line << '\n';
    }
    PrintDiscReport(*report, out);
    return report->problems.empty() ? 0 : 1;
}

} // namespace qv
