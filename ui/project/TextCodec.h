#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace qv::ui {

// The window's boundary between QString and the model's Windows-1252 text. A character that
// Windows-1252 cannot hold becomes "?".
QString FromCp1252(std::string_view bytes);
std::string ToCp1252(const QString& text);

} // namespace qv::ui
