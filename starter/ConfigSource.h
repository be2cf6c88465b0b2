#pragma once

#include "Loader.h"

#include <QString>
#include <QStringList>

namespace qv::starter {

// Where the runtime found its settings.
enum class SourceKind { CommandLine, StarterIni, AutorunInf, None };

struct LoadedConfiguration {
    SourceKind kind = SourceKind::None;
    QString sourcePath;   // the file read; empty for the command line and for none
    QString folder;       // folder of the source, ends with "/": root of the relative paths
    LoadResult loaded;
    SettingLookup lookup; // the keys of the source, for a popup's overlay; never empty
};

// Chooses and reads the configuration, first that holds settings wins:
//   1. parameters on the command line (`arguments` without the program name, "/key=value");
//   2. the file named like the program with ".ini" beside it (starter.exe -> starter.ini);
//   3. the settings section of autorun.inf in the program's folder.
// A file counts only when it holds a settings section ([quorvane], else [velmorant starter]).
// The folder of the command line is the program's folder. `programPath` is the program file.
// Arguments are taken as the host gives them (UTF-8 outside Windows) and converted to the
// configuration's Windows-1252.
LoadedConfiguration LoadStarterConfiguration(const QString& programPath, const QStringList& arguments);

// The same for a popup: the main configuration with the popup's parameters (command-line syntax)
// laid over it, key by key.
LoadedConfiguration OverlayParameters(const LoadedConfiguration& base, const QString& parameters);

} // namespace qv::starter
