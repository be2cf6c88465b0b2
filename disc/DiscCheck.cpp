#include "disc/DiscCheck.h"
#include "disc/EngineCheck.h"
#include "disc/ScriptCompiler.h"

#include "config/BatchSettings.h"
#include "config/Cp1252.h"
#include "config/DiscRules.h"
#include "config/Loader.h"
#include "config/ProfileReader.h"
#include "config/RegularFile.h"
#include "config/StarterContract.h"
#include "disc/FolderLinks.h"
#include "disc/ImageHost.h"
#include "disc/HtmlLinks.h"
#include "disc/LinuxAutorun.h"

#include <libisofs/libisofs.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fstream>
#include <limits>
#include <map>
#include <ostream>
#include <set>
#include <unordered_map>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qv {
namespace {

namespace fs = std::filesystem;

// ISO 9660 allows eight levels with the root and the file's own name: six folders below the root.
// Deeper ones are moved by the image writer and need extensions some systems ignore.
constexpr int kMaxFolderDepth = 6;
// Pages and style sheets are read in pieces of this size.
constexpr std::size_t kPagePiece = 64 * 1024;

std::string Quote(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

std::string GroupedDigits(std::uint64_t value)
{
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ".");
    return digits;
}

// Reads a configuration or page whole, with the profile reader's rules: only a regular file within
// its size bound (a pipe or device under such a name would never end).
bool ReadWholeFile(const fs::path& path, std::string& bytes, std::string& why)
{
    int error = 0;
    switch (ReadRegularFile(PathToUtf8(path), ProfileFile::kMaxFileSize, ProfileFile::kReadBuffer,
                            [&bytes](std::string_view piece) { bytes += piece; }, &error)) {
    case FileReadStatus::Read:
        return true;
    case FileReadStatus::Unreadable:
        why = std::strerror(error);
        break;
    case FileReadStatus::NotAFile:
        why = "keine gewöhnliche Datei";
        break;
    case FileReadStatus::TooLarge:
        why = "größer als 256 MiB";
        break;
    }
    bytes.clear();
    return false;
}

// The MD5 digest of a file as lower-case hexadecimal text, as the designer compares starter.exe.
std::optional<std::string> FileMd5Hex(const fs::path& path)
{
    void* context = nullptr;
    if (iso_md5_start(&context) < 0)
        return std::nullopt;
    // Only a regular file: a pipe or device would never end.
    const FileReadStatus status = ReadRegularFile(
        PathToUtf8(path), std::numeric_limits<std::uint64_t>::max(), 1 << 16, [context](std::string_view piece) {
            iso_md5_compute(context, const_cast<char*>(piece.data()), static_cast<int>(piece.size()));
        });
    char digest[16];
    iso_md5_end(&context, digest);
    if (status != FileReadStatus::Read)
        return std::nullopt;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (char byte : digest) {
        const auto b = static_cast<unsigned char>(byte);
        hex += kHex[b >> 4];
        hex += kHex[b & 0x0F];
    }
    return hex;
}

bool CanOpenForReading(const fs::path& path, std::string& why)
{
#ifdef _WIN32
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = std::strerror(errno);
        return false;
    }
    return true;
#else
    // One look-up per file: a folder of many small files is checked in a fraction of its image's time.
    if (::access(path.c_str(), R_OK) != 0) {
        why = std::strerror(errno);
        return false;
    }
    return true;
#endif
}

// The entry's own type (a link not followed) and, for a regular file, its size: one look-up.
fs::file_status OwnStatus(const fs::path& path, std::uintmax_t& size)
{
    std::error_code ec;
#ifdef _WIN32
    // Symbolic links and junctions count as links, as on Linux.
    imagehost::EntryInfo info;
    size = 0;
    if (imagehost::Inspect(path, false, info))
        return fs::symlink_status(path, ec);
    switch (info.type) {
    case imagehost::EntryInfo::Type::Link:
        return fs::file_status(fs::file_type::symlink);
    case imagehost::EntryInfo::Type::Folder:
        return fs::file_status(fs::file_type::directory);
    case imagehost::EntryInfo::Type::File:
        size = info.size;
        return fs::file_status(fs::file_type::regular);
    case imagehost::EntryInfo::Type::Other:
        break;
    }
    return fs::file_status(fs::file_type::unknown);
#else
    struct stat info {};
    size = 0;
    if (::lstat(path.c_str(), &info) != 0)
        return fs::symlink_status(path, ec);
    if (S_ISLNK(info.st_mode))
        return fs::file_status(fs::file_type::symlink);
    if (S_ISDIR(info.st_mode))
        return fs::file_status(fs::file_type::directory);
    if (S_ISREG(info.st_mode)) {
        size = static_cast<std::uintmax_t>(info.st_size);
        return fs::file_status(fs::file_type::regular);
    }
    return fs::file_status(fs::file_type::unknown);
#endif
}

// What Windows shows of autorun.inf's label=.
constexpr std::size_t kAutorunLabelShown = 32;

// autorun.inf's icon= without the index it may carry ("disc.ico,0" names "disc.ico").
std::string_view IconFile(std::string_view icon)
{
    const std::size_t comma = icon.rfind(',');
    if (comma != std::string_view::npos && comma + 1 < icon.size()
        && icon.find_first_not_of("-0123456789 ", comma + 1) == std::string_view::npos)
        return icon.substr(0, comma);
    return icon;
}

// The folder part of a path of the configuration (up to the last "\" or "/", in "\" spelling),
// without a leading ".\"; empty for a file in the root.
std::string WindowsFolderPart(std::string_view path)
{
    const std::size_t slash = path.find_last_of("\\/");
    std::string folder(slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1));
    std::replace(folder.begin(), folder.end(), '/', '\\');
    while (folder.rfind(".\\", 0) == 0)
        folder.erase(0, 2);
    return folder;
}

// How the disc starts on Windows, from the configurations the folder holds.
std::string WindowsStartLine(bool autorunStarts, bool starterFindsSettings, bool batchStarts)
{
    const std::string start = "Start unter Windows: ";
    if (autorunStarts)
        return start + "von CD/DVD nach der Frage der automatischen Wiedergabe (oder per Doppelklick auf das "
                       "Laufwerk); von einem USB-Stick nie von selbst (Windows führt autorun.inf dort seit "
                       "Windows 7 nicht mehr aus), dort startet man " + starter::kExecutable + " per Doppelklick.";
    if (starterFindsSettings)
        return start + "nie von selbst, von CD/DVD wie vom USB-Stick (kein autorun.inf, das "
               + starter::kExecutable + " startet); man startet " + starter::kExecutable + " per Doppelklick.";
    if (batchStarts)
        return start + "nie von selbst, von CD/DVD wie vom USB-Stick; man startet " + starter::kBatchFile
               + " per Doppelklick.";
    return start + "gar nicht, der Ordner hat keine Konfiguration, die " + starter::kExecutable + " findet.";
}

std::string Extension(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : FoldNameCase(name.substr(dot + 1));
}

bool IsHtmlName(std::string_view name)
{
    const std::string ext = Extension(name);
    return ext == "htm" || ext == "html" || ext == "xhtml" || ext == "shtml";
}

bool IsCssName(std::string_view name)
{
    return Extension(name) == "css";
}

// The folder as it lies on the disk: every folder's names, read once, so that a name can be
// looked up with its letter case counting.
class FolderTree {
public:
    enum class Kind { File, Folder, Link, Other }; // Link: one that does not go onto the disc
    struct Entry {
        std::string name;
        Kind kind = Kind::File;
    };
    enum class Found { Exact, OtherCase, Missing };
    struct Lookup {
        Found found = Found::Missing;
        std::vector<std::string> actual; // the names as they lie in the folder
        bool isFolder = false;
    };

    const std::vector<Entry>* Listing(const std::string& folder) const
    {
        const auto it = folders_.find(folder);
        return it == folders_.end() ? nullptr : &it->second;
    }
    void SetListing(const std::string& folder, std::vector<Entry> entries) { folders_[folder] = std::move(entries); }

    Lookup Find(const std::vector<std::string>& components) const
    {
        Lookup result;
        result.found = Found::Exact;
        result.isFolder = true;
        std::string folder;
        for (const std::string& name : components) {
            const std::vector<Entry>* entries = result.isFolder ? Listing(folder) : nullptr;
            if (entries == nullptr)
                return {Found::Missing, {}, false};
            const Entry* match = nullptr;
            for (const Entry& entry : *entries) {
                if (entry.kind != Kind::Link && entry.name == name) {
                    match = &entry;
                    break;
                }
            }
            if (match == nullptr) {
                const std::string folded = FoldNameCase(name);
                for (const Entry& entry : *entries) {
                    if (entry.kind != Kind::Link && FoldNameCase(entry.name) == folded) {
                        match = &entry;
                        result.found = Found::OtherCase;
                        break;
                    }
                }
            }
            if (match == nullptr)
                return {Found::Missing, {}, false};
            result.actual.push_back(match->name);
            result.isFolder = match->kind == Kind::Folder;
            folder = JoinDiscPath(result.actual);
        }
        return result;
    }

private:
    std::unordered_map<std::string, std::vector<Entry>> folders_; // "" is the root
};

class Checker {
public:
    Checker(fs::path root, const DiscCheckOptions& options) : root_(std::move(root)), options_(options) {}

    bool Run(std::string& failure)
    {
        if (!ScanFolder(failure))
            return false;
        CheckConfigurations();
        CheckStarter();
        CheckPages();
        if (Cancelled(failure))
            return false;
        subject_.clear();
        CheckSize();
        std::stable_partition(report_.problems.begin(), report_.problems.end(), [](const DiscProblem& p) {
            return p.severity == DiscProblem::Severity::Error;
        });
        return true;
    }

    DiscReport TakeReport() { return std::move(report_); }

private:
    void Error(std::string text) { Found(DiscProblem::Severity::Error, std::move(text)); }
    void Warning(std::string text) { Found(DiscProblem::Severity::Warning, std::move(text)); }
    void Note(std::string text) { Found(DiscProblem::Severity::Note, std::move(text)); }
    // A problem lies in the entry the check is looking at (`subject_`).
    void Found(DiscProblem::Severity severity, std::string text)
    {
        report_.problems.push_back({severity, std::move(text), subject_});
        if (options_.observer != nullptr)
            options_.observer->ProblemFound(report_.problems.back());
    }
    bool Cancelled(std::string& failure)
    {
        if (options_.observer == nullptr || !options_.observer->CheckCancelled())
            return false;
        failure = "Die Prüfung wurde abgebrochen.";
        return true;
    }

    // Reads every folder once, checking the names on the way.
    bool ScanFolder(std::string& failure)
    {
        struct Pending {
            std::string path;            // relative, "/"-separated; "" is the root
            int depth;
            fs::path real;               // where its entries are read
            std::vector<fs::path> chain; // the canonical folders from the root down to it
        };
        std::deque<Pending> pending{{"", 0, root_, {root_}}};
        std::uint64_t entryCount = 0;
        std::uint64_t folderCount = 0;
        while (!pending.empty()) {
            if (Cancelled(failure))
                return false;
            if (options_.observer != nullptr)
                options_.observer->CheckProgress(entryCount, 0);
            const Pending current = std::move(pending.front());
            pending.pop_front();
            ++folderCount;
            subject_ = current.path;
            const fs::path& folder = current.real;
            std::error_code ec;
            std::vector<fs::directory_entry> found;
#ifdef _WIN32
            // The host's own listing: the standard library's stops short of paths beyond 260
            // characters without a word.
            std::vector<imagehost::FolderEntry> listed;
            if (const imagehost::Failure failed = imagehost::ListFolder(folder, listed))
                ec = std::make_error_code(failed.missing ? std::errc::no_such_file_or_directory
                                                         : std::errc::permission_denied);
            const fs::path listedIn = imagehost::LongPathForm(folder);
            for (const imagehost::FolderEntry& entry : listed)
                found.emplace_back(listedIn / PathFromUtf8(entry.name));
#else
            fs::directory_iterator it(folder, ec);
            for (; !ec && it != fs::directory_iterator(); it.increment(ec))
                found.push_back(*it);
#endif
            if (ec) {
                if (current.path.empty()) {
                    failure = "Der Ordner " + Quote(PathToUtf8(root_)) + " kann nicht gelesen werden: " + ec.message();
                    return false;
                }
                Error("Ordner " + Quote(current.path) + " kann nicht gelesen werden: " + ec.message());
                continue;
            }
            std::sort(found.begin(), found.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
                return a.path().filename() < b.path().filename();
            });

            std::vector<FolderTree::Entry> entries;
            std::map<std::string, std::string> byFoldedName;
            for (const fs::directory_entry& item : found) {
                FolderTree::Entry entry;
                entry.name = PathToUtf8(item.path().filename());
                const std::string rel = current.path.empty() ? entry.name : current.path + "/" + entry.name;
                subject_ = rel;
                ++entryCount;
                CheckName(entry.name, rel, current.path, byFoldedName);

                std::uintmax_t size = 0;
                fs::file_status own = OwnStatus(item.path(), size);
                const bool link = fs::is_symlink(own);
                fs::path real = item.path();
                if (link) {
                    // On the disc a link is the file or folder it names; Windows sees no links.
                    std::optional<fs::path> target = FollowLink(rel, current.chain, item.path());
                    if (!target) {
                        entry.kind = FolderTree::Kind::Link;
                        entries.push_back(std::move(entry));
                        continue;
                    }
                    real = std::move(*target);
                    own = fs::status(real, ec);
                    size = fs::is_regular_file(own) ? fs::file_size(real, ec) : 0;
                }
                if (fs::is_directory(own)) {
                    entry.kind = FolderTree::Kind::Folder;
                    const int depth = current.depth + 1;
                    if (depth == kMaxFolderDepth + 1)
                        Warning("Ordner " + Quote(rel) + " liegt tiefer als " + std::to_string(kMaxFolderDepth)
                                + " Ebenen; ISO 9660 erlaubt mit Wurzel und Dateiname nur 8, manche Systeme lesen "
                                  "ihn auf der Disc nicht.");
                    std::vector<fs::path> chain = current.chain;
                    chain.push_back(link ? real : current.chain.back() / item.path().filename());
                    pending.push_back({rel, depth, real, std::move(chain)});
                } else if (fs::is_regular_file(own)) {
                    entry.kind = FolderTree::Kind::File;
                    report_.estimatedImageBytes += RoundUpToBlock(size);
                    ++report_.fileCount;
                    std::string why;
                    if (!CanOpenForReading(real, why))
                        Error(Quote(rel) + " kann nicht gelesen werden: " + why);
                } else {
                    entry.kind = FolderTree::Kind::Other;
                    Warning(Quote(rel) + " ist keine gewöhnliche Datei und kommt nicht auf die Disc.");
                }
                entries.push_back(std::move(entry));
            }
            tree_.SetListing(current.path, std::move(entries));
        }
        // The file system's own structures: volume descriptors and path tables (about 40 blocks),
        // two directory trees (ISO 9660 with Rock Ridge, Joliet) of at least one block per folder
        // each, and some 300 bytes of directory records per name in the two trees together.
        report_.estimatedImageBytes += 40 * kDiscBlock + 2 * folderCount * kDiscBlock + RoundUpToBlock(entryCount * 300);
        return true;
    }

    // The canonical target of a link that goes onto the disc as its content; reports any other
    // link and gives nullopt for it.
    std::optional<fs::path> FollowLink(const std::string& rel, const std::vector<fs::path>& chain, const fs::path& path)
    {
        LinkTarget target = ResolveFolderLink(root_, chain, path);
        switch (target.kind) {
        case LinkKind::File:
        case LinkKind::Folder:
        case LinkKind::Special:
            return std::move(target.resolved);
        case LinkKind::Outside:
            Error(Quote(rel) + " ist eine symbolische Verknüpfung aus dem Ordner hinaus; ihr Ziel kommt nicht auf "
                               "die Disc.");
            break;
        case LinkKind::Loop:
            Error(Quote(rel) + " ist eine symbolische Verknüpfung auf einen Ordner, in dem sie selbst liegt; sie "
                               "kommt nicht auf die Disc.");
            break;
        case LinkKind::Dangling:
            Error(Quote(rel) + " ist eine symbolische Verknüpfung ohne Ziel.");
            break;
        }
        return std::nullopt;
    }

    void CheckName(const std::string& name, const std::string& rel, const std::string& folder,
                   std::map<std::string, std::string>& byFoldedName)
    {
        if (const std::size_t length = JolietNameLength(name); length > kJolietMaxNameLength)
            Error("Name länger als " + std::to_string(kJolietMaxNameLength) + " Zeichen (" + std::to_string(length)
                  + "), Joliet kürzt ihn: " + Quote(rel));
        if (const std::string refused = JolietRefusedIn(name); !refused.empty())
            Error("Name mit Zeichen, die Joliet nicht erlaubt (" + refused + "): " + Quote(rel));
        for (const std::string& problem : WindowsNameProblems(name))
            Error(problem + ": " + Quote(rel));
        const auto [it, inserted] = byFoldedName.emplace(FoldNameCase(name), name);
        if (!inserted) {
            const std::string other = folder.empty() ? it->second : folder + "/" + it->second;
            Error("Namen, die sich nur in der Groß-/Kleinschreibung unterscheiden: " + Quote(other) + " und "
                  + Quote(rel) + "; auf der Disc ist nur einer erreichbar.");
        }
    }

    // Looks up a file of the folder and reports a missing one or one of other letter case; the
    // caller goes on with the lookup.
    FolderTree::Lookup CheckExists(const std::string& where, const std::string& shown, const DiscPath& path,
                                   bool mustBeFile)
    {
        const FolderTree::Lookup lookup = tree_.Find(path.components);
        switch (lookup.found) {
        case FolderTree::Found::Missing:
            Error(where + Quote(shown) + " fehlt im Ordner.");
            break;
        case FolderTree::Found::OtherCase:
            Error(where + Quote(shown) + ": Groß-/Kleinschreibung weicht ab, im Ordner heißt es "
                  + Quote(JoinDiscPath(lookup.actual)) + ".");
            break;
        case FolderTree::Found::Exact:
            if (mustBeFile && lookup.isFolder)
                Error(where + Quote(shown) + " ist ein Ordner, keine Datei.");
            break;
        }
        return lookup;
    }

    // Checks a file path of the configuration (Windows-1252); a start page that is an HTML page of
    // the folder is kept for following its links.
    void CheckConfiguredFile(const std::string& file, const char* key, const std::string& cp1252Value,
                             bool isStartPage)
    {
        if (cp1252Value.empty())
            return;
        const std::string value = Cp1252ToUtf8(cp1252Value);
        const std::string where = file + ": " + key + " ";
        const DiscPath path = ConfigPathOnDisc(value);
        switch (path.kind) {
        case DiscPathKind::Skipped:
            return;
        case DiscPathKind::Absolute:
            Error(where + Quote(value) + " ist ein absoluter Pfad; auf der Disc gilt nur ein Pfad im Ordner.");
            return;
        case DiscPathKind::Outside:
            Error(where + Quote(value) + " führt aus dem Ordner hinaus.");
            return;
        case DiscPathKind::Inside:
            break;
        }
        const FolderTree::Lookup lookup = CheckExists(where, value, path, true);
        if (isStartPage && lookup.found != FolderTree::Found::Missing && !lookup.isFolder
            && IsHtmlName(lookup.actual.back()))
            startPages_.push_back(lookup.actual);
    }

    void CheckSettingsFiles(const std::string& file, const ProjectSettings& settings)
    {
        if (report_.caption.empty())
            report_.caption = Cp1252ToUtf8(settings.ETitel);
        CheckConfiguredFile(file, "startfile", settings.EHTMLOrt, true);
        CheckConfiguredFile(file, "icon", settings.EIconOrt, false);
        CheckConfiguredFile(file, "splash", settings.ESplashOrt, false);
        CheckConfiguredFile(file, "skin", settings.EBMPOrt, false);
        CheckConfiguredFile(file, "execute", settings.EZusatzProgOrt, false);
        CheckConfiguredFile(file, "executeonclose", settings.EZusatzProgOrt2, false);
    }

    // Finds a configuration file in the root; reports one of other letter case. Returns its path.
    std::optional<fs::path> FindInRoot(const char* name)
    {
        const FolderTree::Lookup lookup = tree_.Find({name});
        if (lookup.found == FolderTree::Found::Missing || lookup.isFolder)
            return std::nullopt;
        if (lookup.found == FolderTree::Found::OtherCase)
            Error(Quote(lookup.actual.front()) + " muss " + Quote(name) + " heißen (Groß-/Kleinschreibung).");
        return root_ / PathFromUtf8(lookup.actual.front());
    }

    void CheckConfigurations()
    {
        bool any = false;
        std::optional<ProjectSettings> iniSettings; // starter.ini's, read before autorun.inf's
        bool autorunStarts = false;        // autorun.inf's open= starts starter.exe
        bool starterFindsSettings = false; // starter.exe started by itself finds its settings
        bool batchStarts = false;          // runme.bat starts starter.exe with its settings
        for (const char* name : {starter::kIniFile, starter::kAutorunFile, starter::kBatchFile}) {
            subject_ = name;
            const std::optional<fs::path> path = FindInRoot(name);
            if (!path)
                continue;
            any = true;
            std::string bytes;
            std::string why;
            if (!ReadWholeFile(*path, bytes, why)) {
                Error(std::string(name) + " kann nicht gelesen werden: " + why);
                continue;
            }
            if (std::strcmp(name, starter::kBatchFile) == 0) {
                ProjectSettings settings;
                if (!ReadBatchSettings(bytes, settings)) {
                    Error(std::string(name) + " ruft " + starter::kExecutable + " nicht auf.");
                    continue;
                }
                batchStarts = true;
                CheckSettingsFiles(name, settings);
                continue;
            }
            const ProfileFile profile = ProfileFile::Parse(std::move(bytes));
            if (std::strcmp(name, starter::kAutorunFile) == 0)
                autorunStarts = CheckAutorunSection(profile);
            const LoadResult loaded = LoadSettings(profile, path->string(), ProjectSettings{});
            if (!loaded.hasSettingsSection) {
                Error(std::string(name) + " enthält keine Einstellungen (Abschnitt [" + starter::kSettingsSection + "]).");
                continue;
            }
            starterFindsSettings = true;
            CheckSettingsFiles(name, loaded.settings);
            WarnOfShadowedAutorun(name, loaded.settings, iniSettings);
        }
        subject_.clear();
        report_.windowsStart = WindowsStartLine(autorunStarts, starterFindsSettings, batchStarts);
        if (!any)
            Error(std::string("Keine Konfiguration gefunden: ") + starter::kIniFile + ", " + starter::kAutorunFile
                  + " oder " + starter::kBatchFile + " fehlt im Ordner.");
    }

    // starter.exe reads starter.ini first: an autorun.inf with other settings beside it (an older
    // starter.ini left from an earlier save, as a rule) is never read.
    void WarnOfShadowedAutorun(const char* name, ProjectSettings settings, std::optional<ProjectSettings>& iniSettings)
    {
        settings.ConfigTarget = 0;
        settings.ESpeicherort.clear();
        if (std::strcmp(name, starter::kIniFile) == 0)
            iniSettings = std::move(settings);
        else if (std::strcmp(name, starter::kAutorunFile) == 0 && iniSettings && !(*iniSettings == settings))
            Warning(std::string(starter::kAutorunFile) + " wird nicht gelesen: " + starter::kExecutable + " liest "
                    + starter::kIniFile + " zuerst, und deren Einstellungen sind andere. Ist " + starter::kIniFile
                    + " von früher übrig, entferne sie.");
    }

    // Checks the [autorun] section; true when its open= starts starter.exe.
    bool CheckAutorunSection(const ProfileFile& profile)
    {
        const std::string file = starter::kAutorunFile;
        const std::optional<std::string> open = profile.Find("autorun", "open");
        if (!open)
            Error(file + ": Im Abschnitt [autorun] fehlt open=" + starter::kExecutable
                  + "; Windows startet beim Einlegen nichts.");
        else if (*open != starter::kExecutable)
            Error(file + ": [autorun] open=" + Cp1252ToUtf8(*open) + " startet nicht " + starter::kExecutable + ".");
        if (const std::optional<std::string> label = profile.Find("autorun", "label");
            label && label->size() > kAutorunLabelShown) {
            // Windows-1252: one byte per character.
            Warning(file + ": [autorun] label=" + Cp1252ToUtf8(*label) + " ist " + std::to_string(label->size())
                    + " Zeichen lang; Windows zeigt nur die ersten " + std::to_string(kAutorunLabelShown) + ".");
        }
        if (const std::optional<std::string> icon = profile.Find("autorun", "icon")) {
            const std::string iconFile(IconFile(*icon));
            CheckConfiguredFile(file + " [autorun]", "icon", iconFile, false);
            // Windows looks for the icon in the folder of the program open= starts.
            const std::string program = open.value_or(starter::kExecutable);
            if (!iconFile.empty()
                && FoldNameCase(WindowsFolderPart(iconFile)) != FoldNameCase(WindowsFolderPart(program)))
                Warning(file + ": [autorun] icon=" + Cp1252ToUtf8(*icon) + " liegt nicht im Ordner von open="
                        + Cp1252ToUtf8(program) + "; Windows sucht das Symbol dort und zeigt sonst das Symbol des "
                                                  "Laufwerks.");
        }
        return open && *open == starter::kExecutable;
    }

    void CheckStarter()
    {
        subject_ = starter::kExecutable;
        const FolderTree::Lookup lookup = tree_.Find({starter::kExecutable});
        std::error_code ec;
        // A pipe or device under the name does not go onto the disc: the starter is missing there.
        if (lookup.found == FolderTree::Found::Missing || lookup.isFolder
            || !fs::is_regular_file(root_ / PathFromUtf8(lookup.actual.front()), ec)) {
            Error(std::string(starter::kExecutable) + " fehlt neben der Konfiguration.");
            return;
        }
        if (lookup.found == FolderTree::Found::OtherCase)
            Error(Quote(lookup.actual.front()) + " muss " + Quote(starter::kExecutable)
                  + " heißen (Groß-/Kleinschreibung).");
        if (options_.referenceStarter.empty()) {
            Warning(std::string(starter::kExecutable) + " kann nicht verglichen werden: "
                    + starter::kExamplesFolder + "/" + starter::kExecutable + " wurde nicht gefunden.");
            return;
        }
        const std::optional<std::string> reference = FileMd5Hex(options_.referenceStarter);
        const std::optional<std::string> present = FileMd5Hex(root_ / PathFromUtf8(lookup.actual.front()));
        if (!reference) {
            Warning(std::string(starter::kExecutable) + " kann nicht verglichen werden: "
                    + Quote(PathToUtf8(options_.referenceStarter)) + " ist nicht lesbar.");
        } else if (present && *present != *reference) {
            Warning(std::string(starter::kExecutable) + " unterscheidet sich von " + starter::kExamplesFolder + "/"
                    + starter::kExecutable + " (MD5); der Designer würde ihn ersetzen.");
        }
    }

    // Follows the links of the start pages through the folder's own pages and style sheets, each
    // once. Each is read in pieces, its links looked at as they come: memory does not grow with
    // the page. Missing files are reported at the end, grouped by the file.
    void CheckPages()
    {
        std::set<std::vector<std::string>> seen;
        std::deque<std::vector<std::string>> pending;
        for (const std::vector<std::string>& page : startPages_) {
            if (seen.insert(page).second)
                pending.push_back(page);
        }
        while (!pending.empty() && !(options_.observer != nullptr && options_.observer->CheckCancelled())) {
            if (options_.observer != nullptr)
                options_.observer->CheckProgress(report_.fileCount, seen.size() - pending.size());
            const std::vector<std::string> page = std::move(pending.front());
            pending.pop_front();
            const std::string pageName = JoinDiscPath(page);
            subject_ = pageName;
            const std::vector<std::string> folder(page.begin(), page.end() - 1);
            // Where the page's relative links start: its own folder, or the folder of its <base>;
            // none when the base leads off the disc (to the web, another medium, out of the folder).
            std::optional<std::vector<std::string>> linkFolder = folder;
            // Each spelling of a link of a page is looked at once; a repeated one that names a
            // missing file counts as one more link to it.
            std::map<std::string, std::string> links; // link -> the missing file it names, or ""
            const bool css = IsCssName(page.back());
            // The scanners report the links; the engine check asks them where a link stands.
            const CssLinkScanner* sheetRead = nullptr;
            const HtmlLinkScanner* htmlRead = nullptr;
            const EngineSink onFinding = [this, &pageName](const EngineFinding& finding) {
                EngineFound(pageName, finding);
            };
            PageEngineCheck pageEngine(compiler_, onFinding);
            CssEngineScanner sheetEngine(onFinding);
            const bool engine = options_.engineCheck;
            const LinkSink onLink = [&](std::string_view text) {
                if (engine) {
                    const LinkRole role = css ? LinkRole::Embedded : pageEngine.RoleOf(htmlRead->LinkAttribute());
                    if (role == LinkRole::ClassicScript || role == LinkRole::Embedded)
                        CheckLinkForEngine(pageName, linkFolder, text, role,
                                           css ? sheetRead->Line() : htmlRead->Line());
                }
                std::string link(text);
                if (const auto known = links.find(link); known != links.end()) {
                    if (!known->second.empty())
                        CountMissingLink(pageName, link, known->second);
                    return;
                }
                std::string missing = CheckPageLink(pageName, linkFolder, link, seen, pending);
                links.emplace(std::move(link), std::move(missing));
            };
            const LinkSink onBase = [&](std::string_view text) {
                linkFolder = BaseFolder(pageName, folder, text);
                links.clear();
            };
            CssLinkScanner sheet(onLink);
            HtmlLinkScanner html(onLink, onBase);
            sheetRead = &sheet;
            htmlRead = &html;
            if (engine && !css)
                html.SetElementObserver(&pageEngine);
            const FileReadStatus status = ReadRegularFile(
                PathToUtf8(root_ / PathFromUtf8(pageName)), std::numeric_limits<std::uint64_t>::max(), kPagePiece,
                [&](std::string_view piece) {
                    if (!css) {
                        html.Feed(piece);
                        return;
                    }
                    sheet.Feed(piece);
                    if (engine)
                        sheetEngine.Feed(piece);
                });
            if (status != FileReadStatus::Read)
                continue; // the folder scan has reported an unreadable file already
            if (css) {
                sheet.Finish();
                if (engine)
                    sheetEngine.Finish();
            } else if (!html.Finish()) {
                Warning(pageName + ": Die Seite lässt sich nicht bis zum Ende lesen (zu tief verschachtelt oder "
                                   "beschädigt); Verweise dahinter werden nicht geprüft.");
            }
            if (engine && !css)
                pageEngine.Finish();
        }
        for (const MissingTarget& missing : missing_) {
            for (const MissingLink& link : missing.links) {
                subject_ = link.page;
                std::string text = link.page + ": Verweis " + Quote(link.text) + " fehlt im Ordner";
                if (link.count > 1)
                    text += " (" + std::to_string(link.count) + " Verweise auf " + Quote(missing.target) + ")";
                Error(text + ".");
            }
        }
    }

    // A finding of the engine check, reported once per file and kind.
    void EngineFound(const std::string& file, const EngineFinding& finding)
    {
        EngineKind kind = finding.kind;
        if (!engineReported_.insert({file, static_cast<int>(kind)}).second)
            return;
        const std::string saved = std::exchange(subject_, file);
        std::string text = EngineFindingText(finding, file);
        if (EngineFindingIsNote(kind))
            Note(std::move(text));
        else
            Warning(std::move(text));
        subject_ = saved;
    }

    // A script a page runs is compiled, a picture it shows is looked at: each file once.
    void CheckLinkForEngine(const std::string& pageName, const std::optional<std::vector<std::string>>& folder,
                            std::string_view link, LinkRole role, int line)
    {
        if (!folder)
            return;
        const DiscPath target = LinkPathOnDisc(*folder, link);
        if (target.kind != DiscPathKind::Inside)
            return;
        const FolderTree::Lookup lookup = tree_.Find(target.components);
        if (lookup.found == FolderTree::Found::Missing || lookup.isFolder || lookup.actual.empty())
            return;
        const std::string file = JoinDiscPath(lookup.actual);
        if (role == LinkRole::ClassicScript) {
            if (!compiledScripts_.insert(file).second)
                return;
            std::string source;
            const FileReadStatus status = ReadRegularFile(
                PathToUtf8(root_ / PathFromUtf8(file)), ScriptCompiler::kMaxScriptBytes, kPagePiece,
                [&source](std::string_view piece) { source += piece; });
            EngineFinding finding;
            if (status == FileReadStatus::TooLarge)
                EngineFound(file, {EngineKind::ScriptUnchecked, 0, {}, ScriptPlace::File, {}});
            else if (status == FileReadStatus::Read && ScriptFinding(compiler_.Compile(source), ScriptPlace::File, 1, finding))
                EngineFound(file, finding);
            return;
        }
        if (IsHtmlName(file) || IsCssName(file))
            return;
        auto known = pictureFormats_.find(file);
        if (known == pictureFormats_.end()) {
            char head[16] = {};
            std::ifstream in(root_ / PathFromUtf8(file), std::ios::binary);
            in.read(head, sizeof head);
            const auto read = static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0));
            known = pictureFormats_.emplace(file, SniffPictureFormat(std::string_view(head, read))).first;
        }
        if (known->second == PictureFormat::Other)
            return;
        EngineFound(pageName, {known->second == PictureFormat::WebP ? EngineKind::WebP : EngineKind::Avif, line,
                               std::string(link), ScriptPlace::File, {}});
    }

    // The folder the links of a page with <base href="..."> start from; nullopt (reported when it
    // is a path off the disc) when they lead off the disc.
    std::optional<std::vector<std::string>> BaseFolder(const std::string& pageName,
                                                       const std::vector<std::string>& pageFolder,
                                                       std::string_view base)
    {
        // The base's own file name does not count: "../bilder/x.html" names the folder "bilder".
        std::string_view path = base.substr(0, base.find_first_of("?#"));
        const std::size_t slash = path.find_last_of("/\\");
        path = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
        const bool blank = path.find_first_not_of(" \t\r\n") == std::string_view::npos;
        if (blank && SchemeLength(base) < 2)
            return pageFolder;
        const DiscPath target = LinkPathOnDisc(pageFolder, blank ? base : path);
        const std::string where = pageName + ": <base href=" + Quote(base) + ">";
        switch (target.kind) {
        case DiscPathKind::Inside:
            return target.components;
        case DiscPathKind::Absolute:
            Error(where + " ist ein absoluter Pfad; auf der Disc gilt nur ein Pfad im Ordner.");
            break;
        case DiscPathKind::Outside:
            Error(where + " führt aus dem Ordner hinaus.");
            break;
        case DiscPathKind::Skipped:
            break; // an address on the web: so are the page's relative links
        }
        return std::nullopt;
    }

    void CountMissingLink(const std::string& pageName, const std::string& link, const std::string& file)
    {
        auto it = std::find_if(missing_.begin(), missing_.end(),
                               [&file](const MissingTarget& m) { return m.target == file; });
        if (it == missing_.end())
            it = missing_.insert(missing_.end(), MissingTarget{file, {}});
        auto byPage = std::find_if(it->links.begin(), it->links.end(),
                                   [&pageName](const MissingLink& l) { return l.page == pageName; });
        if (byPage == it->links.end())
            it->links.push_back({pageName, link, 1});
        else
            ++byPage->count;
    }

    // Checks one link of a page; returns the missing file it names, or the empty text.
    std::string CheckPageLink(const std::string& pageName, const std::optional<std::vector<std::string>>& folder,
                              const std::string& link, std::set<std::vector<std::string>>& seen,
                              std::deque<std::vector<std::string>>& pending)
    {
        const DiscPath target = LinkPathOnDisc(folder.value_or(std::vector<std::string>()), link);
        const std::string where = pageName + ": Verweis ";
        switch (target.kind) {
        case DiscPathKind::Skipped:
            return {};
        case DiscPathKind::Absolute:
            Error(where + Quote(link) + " ist ein absoluter Pfad; auf der Disc gilt nur ein Pfad im Ordner.");
            return {};
        case DiscPathKind::Outside:
            if (folder)
                Error(where + Quote(link) + " führt aus dem Ordner hinaus.");
            return {};
        case DiscPathKind::Inside:
            if (!folder)
                return {}; // relative to a base off the disc
            break;
        }
        const FolderTree::Lookup lookup = tree_.Find(target.components);
        if (lookup.found == FolderTree::Found::Missing) {
            std::string file = JoinDiscPath(target.components);
            CountMissingLink(pageName, link, file);
            return file;
        }
        if (!checkedTargets_.insert({pageName, JoinDiscPath(lookup.actual)}).second)
            return {}; // the same file under another spelling: reported once per page
        CheckExists(where, link, target, false);
        if (lookup.isFolder || lookup.actual.empty()
            || !(IsHtmlName(lookup.actual.back()) || IsCssName(lookup.actual.back())))
            return {};
        if (seen.insert(lookup.actual).second)
            pending.push_back(lookup.actual);
        return {};
    }

    void CheckSize()
    {
        const std::span<const DiscMedium> media = DiscMedia();
        const DiscMedium& largest = media.back();
        if (report_.estimatedImageBytes > largest.capacity)
            Error("Der Ordner ist mit etwa " + GermanSize(report_.estimatedImageBytes) + " zu groß für jedes Medium ("
                  + largest.name + " fasst " + GermanSize(largest.capacity) + ").");
    }

    fs::path root_;
    const DiscCheckOptions& options_;
    FolderTree tree_;
    DiscReport report_;
    std::string subject_; // the entry being looked at: where a problem found now lies
    std::vector<std::vector<std::string>> startPages_;

    struct MissingLink {
        std::string page;
        std::string text; // the first link of the page to the file
        std::size_t count;
    };
    struct MissingTarget {
        std::string target; // the missing file's path on the disc
        std::vector<MissingLink> links;
    };
    std::vector<MissingTarget> missing_;
    std::set<std::pair<std::string, std::string>> checkedTargets_; // page, file
    ScriptCompiler compiler_;
    std::set<std::pair<std::string, int>> engineReported_; // file, EngineKind
    std::set<std::string> compiledScripts_;
    std::map<std::string, PictureFormat> pictureFormats_;
};

} // namespace

std::size_t DiscReport::ErrorCount() const
{
    return static_cast<std::size_t>(std::count_if(problems.begin(), problems.end(), [](const DiscProblem& p) {
        return p.severity == DiscProblem::Severity::Error;
    }));
}

std::size_t DiscReport::WarningCount() const
{
    return static_cast<std::size_t>(std::count_if(problems.begin(), problems.end(), [](const DiscProblem& p) {
        return p.severity == DiscProblem::Severity::Warning;
    }));
}

std::size_t DiscReport::NoteCount() const
{
    return problems.size() - ErrorCount() - WarningCount();
}

const char* DiscProblemPrefix(DiscProblem::Severity severity)
{
    switch (severity) {
    case DiscProblem::Severity::Error:
        return "Fehler: ";
    case DiscProblem::Severity::Warning:
        return "Warnung: ";
    case DiscProblem::Severity::Note:
        break;
    }
    return "Hinweis: ";
}

std::optional<DiscReport> CheckDiscFolder(const fs::path& folder, const DiscCheckOptions& options, std::string& failure)
{
    std::error_code ec;
    const fs::path root = fs::canonical(folder, ec);
    if (ec || !fs::is_directory(root, ec)) {
        failure = "Der Ordner " + Quote(PathToUtf8(folder)) + " existiert nicht oder ist kein Ordner.";
        return std::nullopt;
    }
    Checker checker(root, options);
    if (!checker.Run(failure))
        return std::nullopt;
    return checker.TakeReport();
}

std::vector<std::string> DiscReportLines(const DiscReport& report)
{
    std::vector<std::string> lines;
    for (const DiscProblem& problem : report.problems)
        lines.push_back(DiscProblemPrefix(problem.severity) + problem.text);
    const std::size_t errors = report.ErrorCount();
    const std::size_t warnings = report.WarningCount();
    if (report.problems.empty())
        lines.push_back("Keine Probleme gefunden.");
    else {
        const std::size_t notes = report.NoteCount();
        lines.push_back("Ergebnis: " + std::to_string(errors) + " Fehler, " + std::to_string(warnings)
                        + (warnings == 1 ? " Warnung" : " Warnungen")
                        + (notes == 0 ? std::string() : ", " + std::to_string(notes) + (notes == 1 ? " Hinweis" : " Hinweise"))
                        + ".");
    }
    std::string size = "Gesamtgröße: etwa " + GermanSize(report.estimatedImageBytes) + " ("
                       + GroupedDigits(report.estimatedImageBytes) + " Bytes, " + std::to_string(report.fileCount)
                       + (report.fileCount == 1 ? " Datei)" : " Dateien)");
    const std::vector<std::string> media = MediaThatHold(report.estimatedImageBytes);
    if (media.empty()) {
        size += "; passt auf kein Medium.";
    } else {
        size += "; passt auf ";
        for (std::size_t i = 0; i < media.size(); ++i)
            size += (i == 0 ? "" : i + 1 == media.size() ? " und " : ", ") + media[i];
        size += ".";
    }
    lines.push_back(std::move(size));
    if (!report.windowsStart.empty())
        lines.push_back(report.windowsStart);
    return lines;
}

void PrintDiscReport(const DiscReport& report, std::ostream& out)
{
    for (const std::string& line : DiscReportLines(report))
        out << line << '\n';
    out.flush();
}

std::string PathToUtf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path PathFromUtf8(const std::string& utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace qv
