// starter.exe: shows a disc menu's start page in a window of its own (Win32 and the system's
// WebBrowser control), configured like the Linux runtime through the runtime rules.
#include "rules/ConfigSource.h"
#include "windows/Elevation.h"
#include "windows/Handles.h"
#include "windows/Platform.h"
#include "windows/Runtime.h"
#include "windows/SelfCheck.h"
#include "windows/SingleMenu.h"
#include "windows/Text.h"
#include "windows/Trace.h"

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

using namespace qv::starter;
using namespace qv::starter::win;

namespace {

struct LocalFreeDeleter {
    void operator()(wchar_t** arguments) const noexcept { LocalFree(arguments); }
};

// The command line's arguments after the program's name, UTF-8.
std::vector<std::string> Arguments()
{
    int count = 0;
    std::unique_ptr<wchar_t*, LocalFreeDeleter> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> result;
    for (int i = 1; arguments && i < count; ++i)
        result.push_back(ToUtf8(arguments.get()[i]));
    return result;
}

bool TakeSelfCheck(std::vector<std::string>& arguments)
{
    const std::string wanted = ToUtf8(kSelfCheckArgument);
    for (auto it = arguments.begin(); it != arguments.end(); ++it) {
        if (CompareStringOrdinal(FromUtf8(*it).c_str(), -1, kSelfCheckArgument, -1, TRUE) == CSTR_EQUAL) {
            arguments.erase(it);
            return true;
        }
    }
    return false;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    BecomeDpiAware();
    std::vector<std::string> arguments = Arguments();
    const bool selfCheck = TakeSelfCheck(arguments);
    const LaunchOptions options = ParseLaunchOptions(arguments);
    const std::wstring program = ProgramPath();
    LoadedConfiguration configuration = LoadStarterConfiguration(ToUtf8(program), options.arguments, options.folder);
    const RuntimeSettings settings = InterpretConfiguration(configuration);
    if (settings.uac && !options.elevatedRestart && RestartElevated()) {
        Trace("uac restarted");
        return 0;
    }
    // A second start of the same menu (autorun and a double click) shows the first one; the
    // self-check always runs. Claimed after the restart for administrator rights, whose
    // restarted program is the menu.
    const SingleMenu single(settings.folder);
    if (!single.first() && !selfCheck) {
        Trace(single.bringFirstToFront() ? "second start: menu brought to the front" : "second start");
        return 0;
    }
    const BrowserEmulation emulation(program.substr(program.find_last_of(L"\\/") + 1));

    OleScope ole;
    if (!Check(ole.result(), "OleInitialize"))
        return 1;
    EnablePopupManagement();
    Runtime runtime(instance, std::move(configuration), selfCheck);
    if (!runtime.start())
        return 1;
    single.mark(runtime.mainWindow()->handle());
    return runtime.run();
}
