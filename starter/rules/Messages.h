#pragma once

#include <string>

namespace qv::starter {

// The German page (UTF-8 HTML) shown instead of a start page that is not given, missing or
// unreadable. `iniName` is the settings file the runtime looked for ("starter.ini", "menu.ini").
std::string MissingStartPageHtml(const std::string& startFile, bool settingsFound, const std::string& iniName);

// `text` with &, <, >, " escaped for HTML.
std::string HtmlEscaped(const std::string& text);

} // namespace qv::starter
