#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The values of every href and src attribute of an HTML page, in document order, as UTF-8. The
// page is parsed by libxml2's HTML parser in its forgiving mode: broken markup still yields the
// links it holds, and nothing is fetched from the network. A page in UTF-8 is read with the
// character set it declares; a page that is not valid UTF-8 is read as Windows-1252.
std::vector<std::string> HtmlLinkTargets(std::string_view html);

} // namespace qv
