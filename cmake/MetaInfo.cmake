# Makes the AppStream file from its template: cmake -DSOURCE=... -DOUTPUT=... -DPUBLISHER_URL=...
# -P MetaInfo.cmake. PUBLISHER_URL is the publisher's web address, ending with "/": the homepage,
# and the screenshots (docs/screenshots/*.png) published under PUBLISHER_URL/screenshots/. Empty:
# the homepage and the screenshots are left out, as nothing can be fetched from there.
file(READ "${SOURCE}" text)
# The template's own comment goes: it describes the template.
string(REGEX REPLACE "<!-- cmake/MetaInfo.cmake[^>]*-->\n" "" text "${text}")
if(PUBLISHER_URL STREQUAL "")
  string(REGEX REPLACE "[ ]*<url type=\"homepage\">[^\n]*\n" "" text "${text}")
  string(FIND "${text}" "  <screenshots>" begin)
  string(FIND "${text}" "</screenshots>\n" end)
  if(begin GREATER -1 AND end GREATER begin)
    math(EXPR end "${end} + 15")
    string(SUBSTRING "${text}" 0 ${begin} head)
    string(SUBSTRING "${text}" ${end} -1 tail)
    string(REGEX REPLACE "^\n" "" tail "${tail}")
    set(text "${head}${tail}")
  endif()
elseif(NOT PUBLISHER_URL MATCHES "^https://.*/$")
  message(FATAL_ERROR "QUORVANE_PUBLISHER_URL must be an https address ending with /: ${PUBLISHER_URL}")
endif()
set(QUORVANE_PUBLISHER_URL "${PUBLISHER_URL}")
string(CONFIGURE "${text}" text @ONLY)
file(WRITE "${OUTPUT}.tmp" "${text}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
