// The designer's image writing (the dialog "Abbild erstellen…", its thread, its progress timer)
// against qvr iso's path (RunIso, in this process) on the same generated folder. Each round runs
// both, in turned order, after a warm-up round; the ratio of the medians is the result, since
// the machine is shared and absolute times say little. Both end with the image flushed to the
// disk (the writer does it itself).
//
//   disc_write_bench [--dir FOLDER] [--rounds N] [--mib SIZE]
//
// The folder (a project, 2,000 small files and SIZE MiB of random data in four files; default
// 1024) is generated below FOLDER (default: the temporary folder) and removed at the end.
#include "ScriptedInteraction.h"

#include "cli/QvrCommand.h"
#include "ui/dialogs/Abbildfenster.h"
#include "ui/platform/AppSetup.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void WriteRandomFile(const fs::path& path, std::uint64_t size, std::uint64_t& state)
{
    std::vector<std::uint64_t> buffer(1 << 16);
    std::ofstream out(path, std::ios::binary);
    while (size > 0) {
        for (std::uint64_t& word : buffer) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        const std::uint64_t chunk = std::min<std::uint64_t>(size, buffer.size() * sizeof(std::uint64_t));
        out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(chunk));
        size -= chunk;
    }
}

void GenerateFolder(const fs::path& root, std::uint64_t mib)
{
    fs::create_directories(root / "web");
    fs::copy_file(QV_STARTER, root / "starter.exe");
    std::ofstream(root / "starter.ini", std::ios::binary)
        << "[quorvane]\r\nstartfile=web\\index.html\r\ncaption=Benchmark\r\n";
    std::ofstream(root / "web/index.html", std::ios::binary) << "<a href=\"../daten/film1.bin\">x</a>";
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    for (int i = 0; i < 2000; ++i) {
        const fs::path folder = root / ("ordner" + std::to_string(i % 20));
        fs::create_directories(folder);
        WriteRandomFile(folder / ("datei" + std::to_string(i) + ".bin"), static_cast<std::uint64_t>(i % 9) * 1024, state);
    }
    fs::create_directories(root / "daten");
    for (int i = 1; i <= 4; ++i)
        WriteRandomFile(root / "daten" / ("film" + std::to_string(i) + ".bin"), mib * 1024 * 1024 / 4, state);
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double RunQvr(const fs::path& folder, const fs::path& image)
{
    std::ostringstream out;
    std::ostringstream err;
    const auto start = std::chrono::steady_clock::now();
    const int code = qv::RunQvr({"iso", folder.string(), "-o", image.string()}, out, err);
    const double seconds = Seconds(start);
    if (code != 0) {
        std::fprintf(stderr, "qvr iso failed (%d): %s\n", code, err.str().c_str());
        std::exit(1);
    }
    fs::remove(image);
    return seconds;
}

double RunDesigner(TFAbbild& dialog, const fs::path& image)
{
    auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("EAbbildDatei"));
    file->setText(QString::fromStdString(image.string()));
    QSignalSpy ended(&dialog, &TFAbbild::workFinished);
    const auto start = std::chrono::steady_clock::now();
    dialog.BtErstellenClick();
    if (!ended.wait(600000) || !fs::exists(image)) {
        std::fprintf(stderr, "the designer wrote no image\n");
        std::exit(1);
    }
    const double seconds = Seconds(start);
    fs::remove(image);
    return seconds;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qv::ui::LoadFonts();
    fs::path base = fs::temp_directory_path();
    int rounds = 5;
    std::uint64_t mib = 1024;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--dir")
            base = argv[i + 1];
        else if (option == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--mib")
            mib = static_cast<std::uint64_t>(std::max(1, std::atoi(argv[i + 1])));
    }
    const fs::path work = base / ("disc-write-bench-" + std::to_string(::getpid()));
    const fs::path folder = work / "disc";
    GenerateFolder(folder, mib);

    ScriptedInteraction seam;
    TFAbbild dialog(seam, QStringLiteral(QV_STARTER));
    dialog.Open(QString::fromStdString(folder.string()) + QLatin1Char('/'), QStringLiteral("Benchmark"));
    const fs::path image = work / "menue.iso";

    RunQvr(folder, image); // warm-up: the folder in the page cache for both
    RunDesigner(dialog, image);
    std::vector<double> qvr;
    std::vector<double> designer;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            qvr.push_back(RunQvr(folder, image));
            designer.push_back(RunDesigner(dialog, image));
        } else {
            designer.push_back(RunDesigner(dialog, image));
            qvr.push_back(RunQvr(folder, image));
        }
        std::printf("round %d: qvr iso %.2f s, designer %.2f s\n", round + 1, qvr.back(), designer.back());
    }
    const double ratio = Median(designer) / Median(qvr);
    std::printf("median: qvr iso %.2f s, designer %.2f s; designer / qvr = %.3f (%s 1.1)\n", Median(qvr),
                Median(designer), ratio, ratio <= 1.1 ? "within" : "beyond");
    fs::remove_all(work);
    return ratio <= 1.1 ? 0 : 1;
}
