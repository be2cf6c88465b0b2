#include "cli/IsoCommand.h"

#include "cli/ProgramIo.h"
#include "cli/QvrCommand.h"
#include "cli/VerifyCommand.h"
#include "config/DiscRules.h"
#include "disc/DiscCheck.h"
#include "disc/FolderLinks.h"
#include "disc/IsoImage.h"
#include "disc/LinuxAutorun.h"

#include <filesystem>
#include <optional>
#include <ostream>

namespace qv {

namespace fs = std::filesystem;

namespace {

// Images smaller than this are written before a progress line would be worth reading.
constexpr std::uint64_t kProgressThreshold = 64ULL * 1024 * 1024;

// The progress of a large image as one line on a terminal, rewritten at each new percent.
class ProgressLine final : public IsoWriteObserver {
public:
    ProgressLine(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}
    void Written(std::uint64_t done, std::uint64_t total) override
    {
        if (!enabled_ || total < kProgressThreshold)
            return;
        const int percent = static_cast<int>(done * 100 / total);
        if (percent == shown_)
            return;
        shown_ = percent;
        out_ << "\rAbbild wird geschrieben: " << percent << " % (" << GermanSize(done) << " von "
             << GermanSize(total) << ")   " << std::flush;
    }
    bool WriteCancelled() override { return false; }
    void Finish()
    {
        if (shown_ >= 0)
            out_ << '\n' << std::flush;
    }

private:
    std::ostream& out_;
    bool enabled_;
    int shown_ = -1;
};

} // namespace

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
    if (const std::string refused = CheckIsoTarget(folderPath, image, imagePath, inPlace); !refused.empty()) {
        err << refused << '\n';
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
    request.rootFiles = linuxStart.files;
    ProgressLine line(err, IsTerminal(2));
    request.observer = &line;
    const IsoWriteResult written = WriteIsoImage(request);
    line.Finish();
    if (!written.error.empty()) {
        err << written.error << '\n';
        return 2;
    }
    out << IsoWrittenText(image, written.bytes, volume) << '\n';
    for (const std::string& line : linuxStart.lines)
        out << line << '\n';
    out.flush();
    return 0;
}

const char* IsoUsage()
{
    return "  qvr iso ORDNER -o ABBILD.iso [--label NAME] [--force] [--linux]\n"
           "      Schreibt ein ISO-9660-Abbild mit Joliet und Rock Ridge, der Ordner als\n"
           "      Wurzel. Prüft vorher wie verify und schreibt bei Fehlern nur mit --force\n"
           "      (sonst Exit-Code 1); Exit-Code 2, wenn das Schreiben scheitert oder sich\n"
           "      eine Datei währenddessen ändert. Ist ABBILD ein Gerät oder FIFO, wird es\n"
           "      an Ort und Stelle beschrieben.\n"
           "      Bezeichnung ohne --label: der Titel des Projekts, sonst der Ordnername,\n"
           "      in Großbuchstaben, Ziffern und _ (höchstens 32 Zeichen).\n"
           "      --linux legt ein ausführbares autorun.sh in die Wurzel des Abbilds (nicht\n"
           "      in den Ordner): Linux-Desktops bieten an, es beim Einlegen zu starten; es\n"
           "      startet quorvane-starter, sonst öffnet es die Startseite im Browser. Ein\n"
           "      autorun.sh im Ordner hat Vorrang (mit Warnung).\n";
}

} // namespace qv
