#include "cli/IsoCommand.h"

#include "cli/QvrCommand.h"
#include "cli/VerifyCommand.h"
#include "config/DiscRules.h"
#include "disc/DiscCheck.h"
#include "disc/FolderLinks.h"
#include "disc/IsoImage.h"
#include "disc/LinuxAutorun.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace fs = std::filesystem;

int RunIso(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const auto usage = [&err](const std::string& why) {
        err << "qvr: " << why << "\n\n" << QvrUsage();
        return 2;
    };
    std::string folder;
    std::string image;
    std::optional<std::string> label;
    bool force = false;
    bool forLinux = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-o" || a == "--output" || a == "--label") {
            if (i + 1 >= args.size())
                return usage("Nach " + a + " fehlt ein Wert.");
            (a == "--label" ? label.emplace() : image) = args[++i];
        } else if (a == "--force") {
            force = true;
        } else if (a == "--linux") {
            forLinux = true;
        } else if (folder.empty() && !a.empty() && a[0] != '-') {
            folder = a;
        } else {
            return usage("Unbekanntes Argument: " + a);
        }
    }
    if (folder.empty())
        return usage("Es fehlt der Ordner.");
    if (image.empty())
        return usage("Es fehlt -o ABBILD.iso.");
    std::string volume;
    if (label) {
        volume = VolumeLabelFrom(*label);
        if (volume.empty())
            return usage("Die Bezeichnung " + *label + " enthält kein Zeichen, das ISO 9660 erlaubt.");
    }

    // The folder is resolved once: the check and the image read the very same folder.
    std::error_code ec;
    const fs::path folderPath = fs::canonical(PathFromUtf8(folder), ec);
    if (ec || !fs::is_directory(folderPath, ec)) {
        err << "Der Ordner \"" << folder << "\" existiert nicht oder ist kein Ordner.\n";
        return 2;
    }
    fs::path imagePath = PathFromUtf8(image);
    bool inPlace = false;
    struct stat info {};
    if (::stat(imagePath.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            err << "Das Ziel " << image << " ist ein Ordner.\n";
            return 2;
        }
        inPlace = !S_ISREG(info.st_mode);
        if (!inPlace) {
            // A link to an image: the file it names is replaced, the link stays.
            imagePath = fs::canonical(imagePath, ec);
            // An existing image that cannot be written in place is refused, not replaced by the rename.
            const int fd = ec ? -1 : ::open(imagePath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
            if (fd < 0) {
                err << "Das Abbild " << image << " kann nicht geschrieben werden: "
                    << (ec ? ec.message() : std::strerror(errno)) << '\n';
                return 2;
            }
            ::close(fd);
        }
    }
    if (!inPlace && IsWithin(fs::weakly_canonical(imagePath, ec), folderPath)) {
        err << "Das Abbild darf nicht im Ordner liegen, aus dem es entsteht: " << image << '\n';
        return 2;
    }

    DiscCheckOptions options;
    options.referenceStarter = FindReferenceStarter();
    std::string failure;
    std::optional<DiscReport> report = CheckDiscFolder(folderPath, options, failure);
    if (!report) {
        err << failure << '\n';
        return 2;
    }
    const LinuxAutorunAddition linuxStart =
        forLinux ? PrepareLinuxAutorun(folderPath, *report) : LinuxAutorunAddition{};
    if (!report->problems.empty())
        PrintDiscReport(*report, err);
    if (report->ErrorCount() > 0 && !force) {
        err << "Das Abbild wird nicht geschrieben, solange der Ordner Fehler hat (--force schreibt es trotzdem).\n";
        return 1;
    }
    if (!label)
        volume = DefaultVolumeLabel(report->caption, folderPath);

    IsoWriteRequest request;
    request.folder = folderPath;
    request.image = imagePath;
    request.label = volume;
    request.inPlace = inPlace;
    request.showProgress = ::isatty(STDERR_FILENO) == 1;
    request.rootFiles = linuxStart.files;
    const IsoWriteResult written = WriteIsoImage(request, err);
    if (!written.error.empty()) {
        err << written.error << '\n';
        return 2;
    }
    out << "Abbild geschrieben: " << image << " (" << GermanSize(written.bytes) << ", Bezeichnung " << volume;
    if (const std::string joliet = JolietVolumeId(volume); joliet != volume)
        out << ", unter Windows " << joliet;
    out << ")\n";
    for (const std::string& line : linuxStart.lines)
        out << line << '\n';
    out.flush();
    return 0;
}

} // namespace qv
