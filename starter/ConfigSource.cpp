#include "ConfigSource.h"

#include "RuntimeSettings.h"
#include "ParameterReader.h"
#include "ProfileReader.h"
#include "StarterContract.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace qv::starter {
namespace {

std::string NativeBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString FolderOf(const QString& file)
{
    QString folder = QFileInfo(file).absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

LoadedConfiguration LoadStarterConfiguration(const QString& programPath, const QStringList& arguments)
{
    LoadedConfiguration result;
    const QString programFolder = FolderOf(programPath);
    result.folder = programFolder;

    std::vector<std::string> args;
    for (const QString& argument : arguments)
        args.push_back(ToConfigText(argument));
    auto parameters = std::make_shared<const ParameterList>(ParameterList::FromArguments(args));
    if (!parameters->empty()) {
        result.kind = SourceKind::CommandLine;
        result.lookup = [parameters](std::string_view key) { return parameters->Find(key); };
        result.loaded = LoadSettingsFrom(result.lookup, true, "", ProjectSettings{});
        return result;
    }

    const QString ini = programFolder + QFileInfo(programPath).completeBaseName() + QStringLiteral(".ini");
    const QString autorun = programFolder + QString::fromLatin1(kAutorunFile);
    const std::pair<SourceKind, QString> files[] = {{SourceKind::StarterIni, ini},
                                                   {SourceKind::AutorunInf, autorun}};
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

LoadedConfiguration OverlayParameters(const LoadedConfiguration& base, const QString& parameters)
{
    auto popup = std::make_shared<const ParameterList>(ParameterList::FromLine(ToConfigText(parameters)));
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

} // namespace qv::starter
