#pragma once

#include <filesystem>
#include <vector>

namespace qv {

// What a symbolic link of the storage folder stands for on the disc. A disc is read on Windows,
// which sees no links: a link to a file or folder inside the folder goes onto the disc as the
// content it names; anything else cannot go onto it.
enum class LinkKind {
    File,    // a regular file inside the folder
    Folder,  // a folder inside the folder, not one the link lies in
    Special, // a pipe, device or socket inside the folder
    Outside, // leads out of the folder
    Loop,    // the folder itself or one the link lies in: on the disc it would nest without end
    Dangling // leads nowhere, or through a link that cannot be followed
};

struct LinkTarget {
    LinkKind kind = LinkKind::Dangling;
    std::filesystem::path resolved; // the canonical target, for File, Folder and Special
};

// Classifies the link `link`. `root` is the storage folder's canonical path, `chain` the canonical
// folders from the root down to the one the link lies in, as the walk reached them (a folder
// reached through a link counts with its target).
LinkTarget ResolveFolderLink(const std::filesystem::path& root, const std::vector<std::filesystem::path>& chain,
                             const std::filesystem::path& link);

// Whether the canonical `path` is `folder` or lies below it.
bool IsWithin(const std::filesystem::path& path, const std::filesystem::path& folder);

} // namespace qv
