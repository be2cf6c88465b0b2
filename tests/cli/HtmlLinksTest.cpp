#include "HtmlLinks.h"

#include <gtest/gtest.h>

namespace {

using Links = std::vector<std::string>;

TEST(HtmlLinks, FindsHrefAndSrcOfEveryElementInDocumentOrder)
{
    const struct {
        const char* name;
        std::string html;
        Links links;
    } cases[] = {
        {"ordinary page",
         "<html><head><link rel=stylesheet href=a.css><script src='b.js'></script></head>"
         "<body><a href=\"c.html\">c</a><img src=d.png><iframe src=e.html></iframe>"
         "<form><input type=image src=f.png></form></body></html>",
         {"a.css", "b.js", "c.html", "d.png", "e.html", "f.png"}},
        {"attribute names in capitals, entities decoded",
         "<A HREF=\"seite.html?a=1&amp;b=2\">x</A><IMG SRC=\"bild&#46;png\">",
         {"seite.html?a=1&b=2", "bild.png"}},
        {"broken markup still gives its links",
         "<p><a href=eins.html>eins<p><b><a href=zwei.html>zwei</i></table><img src=drei.png",
         {"eins.html", "zwei.html", "drei.png"}},
        {"comments, script text and plain text hold no links",
         "<!-- <a href=\"alt.html\"> --><script>var s = '<img src=\"js.png\">';</script>"
         "<p>href=\"text.html\"</p><a href=\"echt.html\">",
         {"echt.html"}},
        {"a declared UTF-8 page", "<meta charset=\"utf-8\"><a href=\"\xC3\x9C" "ber.html\">", {"\xC3\x9C" "ber.html"}},
        {"a page of Windows-1252 bytes", "<a href=\"\xDC" "ber.html\"><img src=\"\x80.png\">", {"\xC3\x9C" "ber.html", "\xE2\x82\xAC.png"}},
        {"a declared Latin-1 page in UTF-8 bytes", "<meta charset=\"iso-8859-1\"><a href=\"\xC3\x9C" "ber.html\">",
         {"\xC3\x83\xC2\x9C" "ber.html"}},
        {"empty attribute", "<a href=\"\">leer</a><a href>ohne</a>", {"", ""}},
        {"empty page", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(qv::HtmlLinkTargets(c.html), c.links);
    }
}

TEST(HtmlLinks, DeeplyNestedPageDoesNotExhaustTheStack)
{
    std::string html;
    for (int i = 0; i < 100000; ++i)
        html += "<div>";
    html += "<a href=\"tief.html\">";
    const Links links = qv::HtmlLinkTargets(html);
    // The parser may cut the nesting off, but it neither crashes nor loses the rest of the page.
    EXPECT_LE(links.size(), 1u);
}

} // namespace
