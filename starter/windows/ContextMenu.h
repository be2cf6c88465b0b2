#pragma once

// The runtime's own context menu for the browser control (IDocHostUIHandler::ShowContextMenu):
// German, with the entries the Linux runtime offers and none that hand the page elsewhere (no new
// window, save, print, view source or properties).
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

namespace qv::starter::win {

enum class MenuCommand : UINT {
    Separator = 0,
    Back = 1,
    Forward,
    Reload,
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    PasteAndMatchStyle,
    SelectAll,
    CopyLinkAddress,
    CopyImage,
    CopyImageAddress,
    Loop,
    ShowControls,
    CopyMediaAddress,
};

// What was right-clicked, read from the control's context id and the element under the mouse.
struct ContextTarget {
    bool none = false;      // a scroll bar: no menu
    bool editable = false;  // an input field or editable text
    bool selection = false; // selected text
    std::wstring link;      // the href of the link around the element
    std::wstring image;     // an image's src
    std::wstring media;     // a video's or audio's address
    bool loop = false, controls = false; // the media element's state
};

struct MenuEntry {
    MenuCommand command;
    std::wstring text; // empty for a separator
    bool checked = false;
};

// The entries for a target, in the Linux runtime's order and words (its engine's menu without the
// entries that hand the page elsewhere): the page's entries unless text is edited or selected,
// then the link's, the picture's or the medium's; no separator at either end or twice in a row.
// Empty: no menu.
std::vector<MenuEntry> ContextMenuEntries(const ContextTarget& target);

// Reads the target: `contextId` is ShowContextMenu's dwID (CONTEXT_MENU_*), `element` the object
// under the mouse (its properties read by name: tagName, href, src, currentSrc, loop, controls,
// isContentEditable, parentElement).
ContextTarget DescribeTarget(DWORD contextId, IDispatch* element);

// Late-bound access to a page's objects by name (an element's properties and methods); empty,
// false or null where the object has no such member.
std::wstring StringProperty(IDispatch* object, const wchar_t* name);
bool BoolProperty(IDispatch* object, const wchar_t* name);
Microsoft::WRL::ComPtr<IDispatch> ObjectProperty(IDispatch* object, const wchar_t* name);
bool PutBoolProperty(IDispatch* object, const wchar_t* name, bool value);
bool PutStringProperty(IDispatch* object, const wchar_t* name, const std::wstring& value);
// Calls a method with the given arguments (in order); its result when that is an object.
bool CallMethod(IDispatch* object, const wchar_t* name, std::vector<VARIANT> arguments,
                Microsoft::WRL::ComPtr<IDispatch>* result = nullptr);

// Puts text on the clipboard (Unicode text) for `owner`.
bool CopyTextToClipboard(HWND owner, const std::wstring& text);
// The clipboard's Unicode text; empty when it holds none.
std::wstring ClipboardText(HWND owner);

} // namespace qv::starter::win
