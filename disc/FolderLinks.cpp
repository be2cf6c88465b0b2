#include "disc/FolderLinks.h"

#include "disc/ImageHost.h"

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
    // Through the host's calls: Windows' links (symbolic links, junctions) are resolved as well.
    imagehost::EntryInfo info;
    if (imagehost::Inspect(link, true, info))
        return {LinkKind::Dangling, {}};
    std::error_code ec;
    const fs::path target = imagehost::ResolvedPath(link, ec);
    if (ec)
        return {LinkKind::Dangling, {}};
    // The root in the same form as the target (Windows: the drive letter's case, short names).
    if (!IsWithin(target, root) && !IsWithin(target, imagehost::ResolvedPath(root, ec)))
        return {LinkKind::Outside, {}};
    if (info.type == imagehost::EntryInfo::Type::Folder) {
        for (const fs::path& folder : chain) {
            if (folder == target)
                return {LinkKind::Loop, target};
        }
        return {LinkKind::Folder, target};
    }
    if (info.type == imagehost::EntryInfo::Type::File)
        return {LinkKind::File, target};
    return {LinkKind::Special, target};
}

} // namespace qv
