#include "windows/ContextMenu.h"

#include <mshtmhst.h>

#include <cwctype>

namespace qv::starter::win {
namespace {

using Microsoft::WRL::ComPtr;

// A VARIANT cleared when it goes.
struct Value {
    Value() { VariantInit(&v); }
    ~Value() { VariantClear(&v); }
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;
    VARIANT v;
};

bool Invoke(IDispatch* object, const wchar_t* name, WORD kind, DISPPARAMS& parameters, VARIANT* result)
{
    if (!object)
        return false;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return false;
    return SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result, nullptr, nullptr));
}

bool Get(IDispatch* object, const wchar_t* name, Value& value)
{
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return Invoke(object, name, DISPATCH_PROPERTYGET, none, &value.v);
}

std::wstring Upper(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// An input field's type that holds text (an empty or unknown type is text).
bool TakesText(const std::wstring& type)
{
    const std::wstring upper = Upper(type);
    for (const wchar_t* other : {L"BUTTON", L"SUBMIT", L"RESET", L"CHECKBOX", L"RADIO", L"FILE", L"IMAGE", L"HIDDEN",
                                 L"RANGE", L"COLOR"})
        if (upper == other)
            return false;
    return true;
}

void Add(std::vector<MenuEntry>& entries, MenuCommand command, const wchar_t* text, bool checked = false)
{
    entries.push_back({command, text, checked});
}

} // namespace

std::wstring StringProperty(IDispatch* object, const wchar_t* name)
{
    Value value;
    if (!Get(object, name, value) || FAILED(VariantChangeType(&value.v, &value.v, 0, VT_BSTR)) || !value.v.bstrVal)
        return {};
    return std::wstring(value.v.bstrVal, SysStringLen(value.v.bstrVal));
}

bool BoolProperty(IDispatch* object, const wchar_t* name)
{
    Value value;
    return Get(object, name, value) && SUCCEEDED(VariantChangeType(&value.v, &value.v, 0, VT_BOOL)) &&
           value.v.boolVal != VARIANT_FALSE;
}

ComPtr<IDispatch> ObjectProperty(IDispatch* object, const wchar_t* name)
{
    Value value;
    ComPtr<IDispatch> result;
    if (Get(object, name, value) && value.v.vt == VT_DISPATCH)
        result = value.v.pdispVal;
    return result;
}

namespace {

bool Put(IDispatch* object, const wchar_t* name, VARIANT& argument)
{
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{&argument, &named, 1, 1};
    return Invoke(object, name, DISPATCH_PROPERTYPUT, parameters, nullptr);
}

} // namespace

bool PutBoolProperty(IDispatch* object, const wchar_t* name, bool value)
{
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BOOL;
    argument.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return Put(object, name, argument);
}

bool PutStringProperty(IDispatch* object, const wchar_t* name, const std::wstring& value)
{
    Value argument;
    argument.v.vt = VT_BSTR;
    argument.v.bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    return argument.v.bstrVal && Put(object, name, argument.v);
}

bool CallMethod(IDispatch* object, const wchar_t* name, std::vector<VARIANT> arguments, ComPtr<IDispatch>* result)
{
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    Value value;
    if (!Invoke(object, name, DISPATCH_METHOD, parameters, &value.v))
        return false;
    if (result && value.v.vt == VT_DISPATCH)
        *result = value.v.pdispVal;
    return true;
}

std::vector<MenuEntry> ContextMenuEntries(const ContextTarget& target)
{
    std::vector<MenuEntry> entries;
    if (target.none)
        return entries;
    const bool plain = target.link.empty() && target.media.empty() && target.image.empty();
    if (plain && target.editable) {
        Add(entries, MenuCommand::Undo, L"Rückgängig");
        Add(entries, MenuCommand::Redo, L"Wiederholen");
        Add(entries, MenuCommand::Separator, L"");
        Add(entries, MenuCommand::Cut, L"Ausschneiden");
        Add(entries, MenuCommand::Copy, L"Kopieren");
        Add(entries, MenuCommand::Paste, L"Einfügen");
        Add(entries, MenuCommand::PasteAndMatchStyle, L"Einfügen und Stil anpassen");
        Add(entries, MenuCommand::SelectAll, L"Alles auswählen");
    } else if (plain && target.selection) {
        Add(entries, MenuCommand::Copy, L"Kopieren");
    } else {
        Add(entries, MenuCommand::Back, L"Zurück");
        Add(entries, MenuCommand::Forward, L"Vorwärts");
        Add(entries, MenuCommand::Reload, L"Neu laden");
        Add(entries, MenuCommand::Separator, L"");
    }
    if (!target.link.empty()) {
        Add(entries, MenuCommand::Separator, L"");
        Add(entries, MenuCommand::CopyLinkAddress, L"Adresse des Links kopieren");
    }
    if (!target.image.empty()) {
        Add(entries, MenuCommand::Separator, L"");
        Add(entries, MenuCommand::CopyImage, L"Bild kopieren");
        Add(entries, MenuCommand::CopyImageAddress, L"Adresse des Bildes kopieren");
    } else if (!target.media.empty()) {
        Add(entries, MenuCommand::Separator, L"");
        Add(entries, MenuCommand::Loop, L"Dauerschleife", target.loop);
        Add(entries, MenuCommand::ShowControls, L"Steuerelemente anzeigen", target.controls);
        Add(entries, MenuCommand::CopyMediaAddress, L"Medienadresse kopieren");
    }
    // Separators only between entries.
    std::vector<MenuEntry> tidy;
    for (MenuEntry& entry : entries) {
        if (entry.command == MenuCommand::Separator &&
            (tidy.empty() || tidy.back().command == MenuCommand::Separator))
            continue;
        tidy.push_back(std::move(entry));
    }
    if (!tidy.empty() && tidy.back().command == MenuCommand::Separator)
        tidy.pop_back();
    return tidy;
}

ContextTarget DescribeTarget(DWORD contextId, IDispatch* element)
{
    ContextTarget target;
    switch (contextId) {
    case CONTEXT_MENU_VSCROLL:
    case CONTEXT_MENU_HSCROLL:
        target.none = true;
        return target;
    case CONTEXT_MENU_CONTROL:
        target.editable = true;
        break;
    case CONTEXT_MENU_TEXTSELECT:
        target.selection = true;
        break;
    default:
        break;
    }
    ComPtr<IDispatch> current = element;
    // The element itself, then the elements around it (a picture inside a link); bounded, as a
    // page's tree may be deep.
    for (int depth = 0; current && depth < 64; ++depth) {
        const std::wstring tag = Upper(StringProperty(current.Get(), L"tagName"));
        if (depth == 0) {
            if (tag == L"IMG" || (tag == L"INPUT" && Upper(StringProperty(current.Get(), L"type")) == L"IMAGE"))
                target.image = StringProperty(current.Get(), L"src");
            else if (tag == L"VIDEO" || tag == L"AUDIO") {
                target.media = StringProperty(current.Get(), L"currentSrc");
                if (target.media.empty())
                    target.media = StringProperty(current.Get(), L"src");
                target.loop = BoolProperty(current.Get(), L"loop");
                target.controls = BoolProperty(current.Get(), L"controls");
            } else if (tag == L"BUTTON" || tag == L"SELECT" ||
                       (tag == L"INPUT" && !TakesText(StringProperty(current.Get(), L"type")))) {
                target.editable = false; // a button or choice: the control's id says "control" too
            } else if (tag == L"INPUT" || tag == L"TEXTAREA" || BoolProperty(current.Get(), L"isContentEditable")) {
                target.editable = true;
            }
        }
        if ((tag == L"A" || tag == L"AREA") && target.link.empty())
            target.link = StringProperty(current.Get(), L"href");
        current = ObjectProperty(current.Get(), L"parentElement");
    }
    return target;
}

bool CopyTextToClipboard(HWND owner, const std::wstring& text)
{
    if (!OpenClipboard(owner))
        return false;
    bool copied = false;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* target = GlobalLock(memory)) {
            CopyMemory(target, text.c_str(), bytes);
            GlobalUnlock(memory);
            copied = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!copied)
            GlobalFree(memory); // the clipboard owns it only when it was taken
    }
    CloseClipboard();
    return copied;
}

std::wstring ClipboardText(HWND owner)
{
    std::wstring text;
    if (!OpenClipboard(owner))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

} // namespace qv::starter::win
