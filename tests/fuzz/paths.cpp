// The path helpers and the whole-number reading on arbitrary texts.

#include "FuzzCheck.h"

#include "config/HintRules.h"
#include "config/Paths.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

using namespace qv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string storage = in.ConsumeRandomLengthString(512);
    const std::string path = in.ConsumeRemainingBytesAsString();

    // A path splits into its folder and its name without losing or adding a character.
    const std::string folder = FolderPart(path);
    const std::string name = FileNamePart(path);
    QV_FUZZ_CHECK(folder + name == path);
    QV_FUZZ_CHECK(folder.empty() || IsPathSeparator(folder.back()));
    for (char c : name)
        QV_FUZZ_CHECK(!IsPathSeparator(c));
    QV_FUZZ_CHECK(TargetForPath(path) == (name == "autorun.inf" ? 1 : 0));

    const std::string_view extension = PathExtension(path);
    QV_FUZZ_CHECK(extension.empty() || extension.front() == '.');
    QV_FUZZ_CHECK(std::string_view(path).ends_with(extension));
    QV_FUZZ_CHECK(extension.find_first_of("\\:") == std::string_view::npos);

    IsAbsolutePath(path);
    QV_FUZZ_CHECK(IsAbsolutePath("C:\\" + path));

    // A file inside the storage folder is the rest of its text, whatever the texts hold.
    const auto relative = RelativeToStorage(storage, storage + path);
    QV_FUZZ_CHECK(relative && *relative == path);
    const auto forStarter = RelativeToStorageForStarter(storage, storage + path);
    QV_FUZZ_CHECK(forStarter && forStarter->size() == path.size());
    QV_FUZZ_CHECK(RelativeToStorage(storage, path).has_value() == std::string_view(path).starts_with(storage));

    // A number that was read is read again from its decimal text.
    for (const bool skipBlanks : {false, true}) {
        if (const auto number = ParseWholeNumber(path, skipBlanks))
            QV_FUZZ_CHECK(ParseWholeNumber(std::to_string(*number), false) == number);
    }
    return 0;
}
