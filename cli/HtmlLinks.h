#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The values of every href and src attribute of an HTML page, in document order, as UTF-8. The
// page is parsed by libxml2's HTML parser in its forgiving mode: broken markup still yields the
// links it holds, and nothing is fetched from the network. A declared character set is honoured;
// a page without one is read as Latin-1.
std::vector<std::string> HtmlLinkTargets(std::string_view html);

} // namespace qv
