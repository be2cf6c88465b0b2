#include "rules/ConfigSource.h"

#include "config/ParameterReader.h"
#include "config/ProfileReader.h"
#include "config/StarterContract.h"
#include "rules/FileSystem.h"
#include "rules/PathText.h"

#include <memory>
#include <system_error>

namespace qv::starter {
namespace {

std::string AsFolder(std::string path)
{
    path = NormalizePath(path);
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string AbsoluteFolder(const std::string& utf8)
{
    return AsFolder(AbsolutePath(utf8).value_or(utf8));
}

// The last segment of a path ("/" or "\" separate).
std::string FileNameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOfProgram(const std::string& programPath)
{
    const std::string program = NormalizePath(AbsolutePath(programPath).value_or(programPath));
    const std::size_t slash = program.find_last_of('/');
    if (slash == std::string::npos)
        return AsFolder(".");
    return AsFolder(program.substr(0, slash + 1));
}

std::string IniNameOf(const std::string& programPath)
{
    // Named like the program without its last extension ("starter.exe" -> "starter.ini").
    const std::string name = FileNameOf(programPath);
    const std::size_t dot = name.find_last_of('.');
    std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    if (stem.empty())
        stem = name;
    return stem + ".ini";
}

} // namespace

LaunchOptions ParseLaunchOptions(const std::vector<std::string>& arguments)
{
    LaunchOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--folder") {
            if (i + 1 >= arguments.size()) {
                options.folderMissing = true;
                break;
            }
            options.folder = arguments[++i];
        } else if (argument.rfind("--folder=", 0) == 0) {
            options.folder = argument.substr(9);
        } else if (argument == kElevatedRestartArgument) {
            options.elevatedRestart = true;
        } else {
            options.arguments.push_back(argument);
        }
    }
    return options;
}

SettingsText TextsOf(const LoadedConfiguration& configuration)
{
    return configuration.kind == SourceKind::CommandLine ? SettingsText::Utf8 : SettingsText::Cp1252;
}

LoadedConfiguration LoadStarterConfiguration(const std::string& programPath, const std::vector<std::string>& arguments,
                                             const std::optional<std::string>& folder)
{
    LoadedConfiguration result;
    result.folder = folder ? AbsoluteFolder(*folder) : FolderOfProgram(programPath);
    result.iniName = folder ? std::string(kIniFile) : IniNameOf(programPath);

    // The command line's values stay UTF-8: narrowed to Windows-1252 a caption or a file name in
    // another script would be lost.
    auto parameters = std::make_shared<const ParameterList>(ParameterList::FromArguments(arguments));
    if (!parameters->empty()) {
        result.kind = SourceKind::CommandLine;
        result.lookup = [parameters](std::string_view key) { return parameters->Find(key); };
        result.loaded = LoadSettingsFrom(result.lookup, true, "", ProjectSettings{});
        return result;
    }

    const std::pair<SourceKind, std::string> files[] = {{SourceKind::StarterIni, result.folder + result.iniName},
                                                       {SourceKind::AutorunInf, result.folder + kAutorunFile}};
    for (const auto& [kind, path] : files) {
        // Only what the settings are read from is kept: the file stays in memory for the popups.
        auto file = std::make_shared<const ProfileFile>(ProfileFile::Load(NativeBytes(path), SettingsKeep()));
        LoadResult loaded = LoadSettings(*file, "", ProjectSettings{});
        if (!loaded.hasSettingsSection)
            continue;
        const char* section = ChooseSettingsSection(*file);
        result.kind = kind;
        result.sourcePath = path;
        result.lookup = [file, section](std::string_view key) { return file->Find(section, key); };
        result.loaded = std::move(loaded);
        return result;
    }
    result.lookup = [](std::string_view) { return std::optional<std::string>(); };
    result.loaded = LoadSettingsFrom(result.lookup, false, "", ProjectSettings{});
    return result;
}

RuntimeSettings InterpretConfiguration(const LoadedConfiguration& configuration)
{
    RuntimeSettings settings = InterpretSettings(configuration.loaded.settings, configuration.folder,
                                                 TextsOf(configuration));
    settings.found = configuration.kind != SourceKind::None;
    settings.iniName = configuration.iniName;
    return settings;
}

LoadedConfiguration OverlayParameters(const LoadedConfiguration& base, const std::string& parameters)
{
    // The popup's parameters in the encoding of the values they overlay.
    auto popup = std::make_shared<const ParameterList>(ParameterList::FromLine(
        TextsOf(base) == SettingsText::Utf8 ? parameters : ToConfigText(parameters)));
    LoadedConfiguration result = base;
    const SettingLookup under = base.lookup;
    result.lookup = [popup, under](std::string_view key) {
        if (auto value = popup->Find(key))
            return value;
        return under(key);
    };
    result.loaded = LoadSettingsFrom(result.lookup, base.loaded.hasSettingsSection || !popup->empty(), "",
                                     ProjectSettings{});
    return result;
}

RuntimeSettings PopupSettings(const LoadedConfiguration& main, const std::string& popupParam)
{
    RuntimeSettings settings = InterpretConfiguration(OverlayParameters(main, popupParam));
    settings.exitPassword.clear();
    settings.execute.clear();
    settings.executeParam.clear();
    settings.executeOnClose.clear();
    settings.executeParamOnClose.clear();
    settings.splash.clear();
    settings.uac = false;
    // The main window's skin is its own picture: a popup takes a skin only from its own parameters.
    const ParameterList own = ParameterList::FromLine(ToConfigText(popupParam));
    if (!own.Find("skin")) {
        settings.skin.clear();
        settings.skinPos.reset();
        settings.minButton.reset();
        settings.closeButton.reset();
        settings.transparencyColor.reset();
    }
    return settings;
}

std::vector<std::string> SplitArguments(const std::string& parameters)
{
    std::vector<std::string> arguments;
    for (const std::string& argument : SplitParameterLine(ToConfigText(parameters)))
        arguments.push_back(FromConfigText(argument));
    return arguments;
}

} // namespace qv::starter
