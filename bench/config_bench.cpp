// Benchmarks of the configuration core: building the text of a full project, and loading
// configuration files of growing size (the load must grow linearly with the file).
#include "config/ConfigWriter.h"
#include "config/Loader.h"
#include "config/ProfileReader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

qv::ProjectSettings FullProject()
{
    qv::ProjectSettings p;
    p.ESpeicherort = "C:\\Projekt\\";
    p.EHTMLOrt = "web\\index.html";
    p.ETitel = "Mein Men\xFC mit einem langen Titel";
    p.ChVarTitel = true;
    p.EIconOrt = "bilder\\disc.ico";
    p.EBreite = "800";
    p.EHoehe = "600";
    p.EminBreite = "640";
    p.EminHoehe = "480";
    p.Eposx = "10";
    p.Eposy = "20";
    p.CbStyle = 2;
    p.Chfade = p.Chfadeout = p.ChTop = p.ChScrollbar = true;
    p.ESplashOrt = "bilder\\splash.bmp";
    p.ETransparencyColor = "ff00ff";
    p.ChKontext = p.ChSelect = p.ChMove = true;
    p.LBShortcuts = {"Alt+F4", "Esc", "F1", "F5", "Strg+A", "Strg+C", "Umsch+Strg+Esc", "Komma"};
    p.EPasswort = "geheim 50% & mehr";
    p.EExt = "exe,zip,doc,jpg";
    p.EZusatzProgOrt = "tools\\setup.exe";
    p.EExeParam = "/silent /dir=\"C:\\Programme\"";
    p.EZusatzProgOrt2 = "tools\\cleanup.exe";
    p.EExeParam2 = "/quiet";
    p.ChAdmin = true;
    p.newWindowAction = qv::NewWindowAction::Popup;
    p.EPopupParam = "/height=320 /width=200 /borderstyle=sizeable /caption=\"Mein Popup\"";
    p.EBMPOrt = "skin\\rahmen.bmp";
    p.Eskinx = "12";
    p.ESkiny = "40";
    p.ESkinw = "600";
    p.ESkinh = "400";
    p.Eminx = "1"; p.Eminy = "2"; p.Eminw = "3"; p.Eminh = "4";
    p.Eclosex = "5"; p.Eclosey = "6"; p.Eclosew = "7"; p.Ecloseh = "8";
    return p;
}

void BM_BuildConfiguration(benchmark::State& state)
{
    const qv::ProjectSettings project = FullProject();
    const int target = static_cast<int>(state.range(0));
    for (auto _ : state) {
        qv::BuildResult result = qv::BuildConfiguration(project, target);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_BuildConfiguration)->Arg(0)->Arg(1)->Arg(2);

// A configuration file of about `size` bytes: the real settings first, then filler sections of
// key lines, so the whole file is parsed.
std::string MakeFile(std::size_t size)
{
    const qv::ProjectSettings project = FullProject();
    std::string bytes = qv::ConfigFileBytes(qv::BuildConfiguration(project, 1).configText, 1);
    int section = 0;
    while (bytes.size() < size) {
        bytes += "[filler" + std::to_string(section++) + "]\r\n";
        for (int i = 0; i < 50 && bytes.size() < size; ++i)
            bytes += "key" + std::to_string(i) + " = \"value number " + std::to_string(i) + "\"\r\n";
    }
    return bytes;
}

void BM_LoadConfiguration(benchmark::State& state)
{
    const std::size_t size = static_cast<std::size_t>(state.range(0));
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("quorvane-bench-" + std::to_string(size) + ".inf");
    {
        std::ofstream out(path, std::ios::binary);
        const std::string bytes = MakeFile(size);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const qv::ProjectSettings previous;
    for (auto _ : state) {
        qv::LoadResult result = qv::LoadConfiguration(path.string(), previous);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadConfiguration)->Arg(1 << 10)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
