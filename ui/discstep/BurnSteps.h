#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The burn step without a window: which drives xorriso offers, what it says about the inserted
// medium and about its progress, and the command lines of the burners. Texts are UTF-8.
namespace qv::ui {

// A drive a disc can be burnt in: the burner's address (`/dev/sr0`, `stdio:/file` for a file
// that acts as a drive, `E:` on Windows) and the name shown for it.
struct BurnDrive {
    std::string device;
    std::string name;
};

// The drives in the output of `xorriso -devices`, in its order; lines look like
//   0  -dev '/dev/sr0' rwrw-- :  'VENDOR  ' 'PRODUCT  '
// Only drives the user may write (the permissions begin with "rw") are listed; vendor and product
// are trimmed and joined by a blank to the name, which is the address when both are empty.
std::vector<BurnDrive> ParseXorrisoDevices(std::string_view text);

// What `xorriso -outdev <drive> -tell_media_space` says about the medium in the drive.
struct BurnMedium {
    bool present = false;          // a medium is in the drive
    bool blank = false;            // it holds nothing yet
    std::uint64_t freeSectors = 0; // 2048-byte sectors left ("Media space : <n>s")
};
BurnMedium ParseXorrisoMedium(std::string_view text);

// The megabytes written of the total from one progress line of `xorriso -as cdrecord -v`
// ("xorriso : UPDATE :   12 of   30 MB written (fifo 95%) [buf  50%]"); nothing for other lines.
struct BurnProgress {
    std::uint64_t doneMb = 0;
    std::uint64_t totalMb = 0;
};
std::optional<BurnProgress> ParseXorrisoProgress(std::string_view line);

// The last line of xorriso's output that reports why it failed (FAILURE, SORRY, FATAL, ABORT),
// without its "xorriso : FAILURE : " prefix; empty when there is none.
std::string XorrisoFailure(std::string_view output);

// The 2048-byte sectors an image of `bytes` takes on a disc.
constexpr std::uint64_t SectorsOf(std::uint64_t bytes)
{
    return (bytes + 2047) / 2048;
}

// The arguments of the burners for `image` on `drive`.
std::vector<std::string> XorrisoDeviceArguments();
std::vector<std::string> XorrisoMediumArguments(const std::string& drive);
std::vector<std::string> XorrisoBurnArguments(const std::string& drive, const std::string& image);
std::vector<std::string> IsoburnArguments(const std::string& drive, const std::string& image);
std::vector<std::string> BraseroArguments(const std::string& image);
std::vector<std::string> K3bArguments(const std::string& image);

// The German texts of the burn step ("\n\r" between lines, as every message).
// Why no burn can start: Windows without its image burner (isoburn.exe, Windows 7 and later), a
// computer without a CD or DVD drive, or (Linux) neither a drive xorriso may write nor brasero or k3b.
enum class NoBurner { NoIsoburn, NoDrive, NoProgram };
std::string NoBurnerText(NoBurner why, const std::string& image);
std::string ImageTooBigText(const std::string& drive, std::uint64_t imageBytes, std::uint64_t freeSectors);

} // namespace qv::ui
