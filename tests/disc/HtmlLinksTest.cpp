#include "disc/HtmlLinks.h"

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
        {"srcset candidates with and without descriptors",
         "<img srcset=\"a.png 1x, b.png 2x,c.png\"><picture><source srcset=\"d.webp 480w, e.webp\"></picture>",
         {"a.png", "b.png", "c.png", "d.webp", "e.webp"}},
        {"object data and body background",
         "<body background=\"grund.jpg\"><object data=\"film.swf\"></object><div data=\"kein-link\"></div>",
         {"grund.jpg", "film.swf"}},
        {"meta refresh with and without quotes",
         "<meta http-equiv=\"Refresh\" content=\"5; URL=weiter.html\">"
         "<meta http-equiv=refresh content=\"0;url='zwei.html'\"><meta name=x content=\"url=nein.html\">",
         {"weiter.html", "zwei.html"}},
        {"style element and style attribute",
         "<style>@import \"basis.css\"; /* url(alt.png) */ body { background: url( 'bild.png' ) }\n"
         "@import url(druck.css) print;</style><p style=\"background-image:URL(p.gif)\">",
         {"basis.css", "bild.png", "druck.css", "p.gif"}},
        {"a NUL byte does not end the page",
         std::string("<a href=\"eins.html\">") + '\0' + "</a><a href=\"zwei.html\">",
         {"eins.html", "zwei.html"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(qv::HtmlLinkTargets(c.html), c.links);
    }
}

TEST(HtmlLinks, FindsUrlAndImportInStyleSheets)
{
    const struct {
        const char* name;
        std::string css;
        Links links;
    } cases[] = {
        {"url forms", "a{background:url(a.png)} b{background:url(\"b.png\")} c{background:url( 'c.png' )}",
         {"a.png", "b.png", "c.png"}},
        {"imports", "@import \"eins.css\";\n@import 'zwei.css' screen;\n@IMPORT url(drei.css);",
         {"eins.css", "zwei.css", "drei.css"}},
        {"comments hold no links", "/* url(alt.png) @import \"x.css\"; */ d{background:url(neu.png)}", {"neu.png"}},
        {"escaped quote inside a string", "e{background:url(\"a\\\"b.png\")}", {"a\"b.png"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(qv::CssLinkTargets(c.css), c.links);
    }
}

// Fed in pieces, a link cut between two pieces is still found whole.
TEST(HtmlLinks, LinksSplitAcrossPiecesAreFoundWhole)
{
    const std::string page = "<style>p{background:url(geteilt.png)}</style><a href=\"seite.html\">";
    for (std::size_t cut = 1; cut < page.size(); ++cut) {
        Links links;
        qv::HtmlLinkScanner scanner([&links](std::string_view link) { links.emplace_back(link); });
        scanner.Feed(std::string_view(page).substr(0, cut));
        scanner.Feed(std::string_view(page).substr(cut));
        EXPECT_TRUE(scanner.Finish());
        EXPECT_EQ(links, (Links{"geteilt.png", "seite.html"})) << cut;
    }
}

TEST(HtmlLinks, DeeplyNestedPageDoesNotExhaustTheStack)
{
    std::string html;
    for (int i = 0; i < 100000; ++i)
        html += "<div>";
    html += "<a href=\"tief.html\">";
    Links links;
    qv::HtmlLinkScanner scanner([&links](std::string_view link) { links.emplace_back(link); });
    scanner.Feed(html);
    // Either the link is found, or the scanner says it gave up before it.
    const bool complete = scanner.Finish();
    EXPECT_EQ(complete, links == Links{"tief.html"}) << links.size();
}

} // namespace
