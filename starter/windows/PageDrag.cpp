#include "windows/PageDrag.h"

#include <array>

namespace qv::starter::win {

bool PressStaysWithPage(const std::vector<PressedElement>& chain)
{
    static constexpr std::array<const wchar_t*, 12> tags{L"A",      L"AREA",   L"BUTTON",  L"LABEL",
                                                         L"INPUT",  L"SELECT", L"TEXTAREA", L"OPTION",
                                                         L"SUMMARY", L"IFRAME", L"FRAME",   L"EMBED"};
    for (const PressedElement& element : chain) {
        if (element.onclick || element.editable)
            return true;
        for (const wchar_t* tag : tags)
            if (_wcsicmp(element.tag.c_str(), tag) == 0)
                return true;
    }
    return false;
}

} // namespace qv::starter::win
