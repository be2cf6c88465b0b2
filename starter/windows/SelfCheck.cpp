#include "windows/SelfCheck.h"

#include "config/Loader.h"
#include "windows/Handles.h"
#include "windows/Platform.h"
#include "windows/Text.h"
#include "windows/Trace.h"

#include <mshtml.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace qv::starter::win {
namespace {

std::string RegistryText(HKEY root, const wchar_t* path, const wchar_t* name)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return {};
    UniqueKey key(opened);
    wchar_t text[256];
    DWORD value = 0;
    DWORD type = 0, size = sizeof text;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
        return {};
    if (type == REG_SZ)
        return ToUtf8(std::wstring(text, wcsnlen(text, size / sizeof(wchar_t))));
    if (type == REG_DWORD) {
        std::memcpy(&value, text, sizeof value);
        return std::to_string(value);
    }
    return {};
}

// document.documentMode of the shown page, through the document's IDispatch.
std::string DocumentMode(StarterWindow* window)
{
    if (!window || !window->browser() || !window->browser()->browser())
        return {};
    ComPtr<IDispatch> document;
    if (FAILED(window->browser()->browser()->get_Document(&document)) || !document)
        return {};
    LPOLESTR name = const_cast<LPOLESTR>(L"documentMode");
    DISPID id = 0;
    if (FAILED(document->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id)))
        return {};
    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    if (FAILED(document->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                nullptr)))
        return {};
    std::string mode;
    if (SUCCEEDED(VariantChangeType(&result, &result, 0, VT_R8)))
        mode = std::to_string(static_cast<int>(result.dblVal));
    VariantClear(&result);
    return mode;
}

const char* SourceName(SourceKind kind)
{
    switch (kind) {
    case SourceKind::CommandLine:
        return "Befehlszeile";
    case SourceKind::StarterIni:
        return "ini-Datei";
    case SourceKind::AutorunInf:
        return "autorun.inf";
    case SourceKind::None:
        return "keine";
    }
    return "?";
}

std::string OrUnknown(const std::string& text)
{
    return text.empty() ? "unbekannt" : text;
}

} // namespace

std::string EmulationFault(DWORD value, const std::wstring& programName)
{
    if (value >= kOldestStandardsEmulation)
        return {};
    if (value == 0)
        return "Fehler: kein Emulationswert, die Seiten laufen in einem alten Dokumentmodus. Ist die "
               "Registrierung gesperrt?";
    return "Fehler: der Emulationswert " + std::to_string(value) + " stammt nicht von diesem Programm (ein "
           "anderes Programm mit dem Namen " + ToUtf8(programName) + " hat ihn eingetragen) und stellt einen "
           "alten Dokumentmodus ein. Den Wert in der Registrierung l\xc3\xb6schen oder auf 11001 setzen.";
}

std::wstring WriteSelfCheckReport(const LoadedConfiguration& configuration, const RuntimeSettings& settings,
                                  StarterWindow* window)
{
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        return {};
    const std::wstring path = std::wstring(folder, length) + L"quorvane-selbsttest.txt";
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return {};
    std::string report = "\xEF\xBB\xBFQuorvane Starter: Selbsttest\r\n\r\n";
    auto line = [&report](const std::string& label, const std::string& value) {
        report += label + ": " + value + "\r\n";
    };
    const std::wstring program = ProgramPath();
    const std::wstring programName = program.substr(program.find_last_of(L"\\/") + 1);
    line("Programm", ToUtf8(program));
    const wchar_t* explorer = L"Software\\Microsoft\\Internet Explorer";
    std::string engine = RegistryText(HKEY_LOCAL_MACHINE, explorer, L"svcVersion");
    if (engine.empty())
        engine = RegistryText(HKEY_LOCAL_MACHINE, explorer, L"Version");
    line("Version der Browser-Komponente", OrUnknown(engine));
    const std::string emulation = RegistryText(HKEY_CURRENT_USER, kBrowserEmulationKey, programName.c_str());
    line("Emulation (HKCU, FEATURE_BROWSER_EMULATION, " + ToUtf8(programName) + ")", OrUnknown(emulation));
    const DWORD emulationValue = emulation.empty() ? 0 : static_cast<DWORD>(std::strtoul(emulation.c_str(), nullptr, 10));
    if (const std::string fault = EmulationFault(emulationValue, programName); !fault.empty())
        report += "  " + fault + "\r\n";
    line("Dokumentmodus der Startseite (11 erwartet)", OrUnknown(DocumentMode(window)));
    line("DPI des Fensters", std::to_string(window ? DpiFor(window->handle()) : SystemDpi()));
    line("Quelle der Einstellungen", std::string(SourceName(configuration.kind)) +
                                         (configuration.sourcePath.empty() ? "" : " (" + configuration.sourcePath + ")"));
    line("Ordner", settings.folder);
    report += "\r\nGelesene Einstellungen:\r\n";
    for (const std::string& key : SettingsKeep().keys) {
        if (const std::optional<std::string> value = configuration.lookup(key))
            report += "  " + key + "=" + (key == "exitpw"                                      ? std::string("***")
                                           : TextsOf(configuration) == SettingsText::Utf8 ? *value
                                                                                          : starter::FromConfigText(*value)) + "\r\n";
    }
    report += "\r\nEreignisse beim Laden der Startseite:\r\n";
    for (const std::string& event : TracedLines())
        report += "  " + event + "\r\n";
    std::fwrite(report.data(), 1, report.size(), file);
    std::fclose(file);
    if (EnvironmentValue(L"QUORVANE_STARTER_TRACE").empty())
        ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return path;
}

} // namespace qv::starter::win
