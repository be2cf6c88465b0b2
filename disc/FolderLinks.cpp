#include "disc/FolderLinks.h"

#include <system_error>


namespace qv {

namespace fs = std::filesystem;

bool IsWithin(const fs::path& path, const fs::path& folder)
{
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (f->empty())
            continue; // the empty name after a trailing separator
        if (p == path.end() || *p != *f)
            return false;
    }
    return true;
}

LinkTarget ResolveFolderLink(const fs::path& root, const std::vector<fs::path>& chain, const fs::path& link)
{
    std::error_code ec;
    const fs::path target = fs::canonical(link, ec);
    if (ec)
        return {LinkKind::Dangling, {}};
    if (!IsWithin(target, root))
        return {LinkKind::Outside, {}};
    const fs::file_status status = fs::status(target, ec);
    if (ec)
        return {LinkKind::Dangling, {}};
    if (fs::is_directory(status)) {
        for (const fs::path& folder : chain) {
            if (folder == target)
                return {LinkKind::Loop, target};
        }
        return {LinkKind::Folder, target};
    }
    if (fs::is_regular_file(status))
        return {LinkKind::File, target};
    return {LinkKind::Special, target};
}

} // namespace qv
