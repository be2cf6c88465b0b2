#include "HtmlLinks.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <climits>
#include <memory>

namespace qv {
namespace {

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

bool IsLinkAttribute(const xmlChar* name)
{
    return xmlStrcasecmp(name, BAD_CAST "href") == 0 || xmlStrcasecmp(name, BAD_CAST "src") == 0;
}

bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || i + length > text.size() || (length == 2 && b < 0xC2))
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

// Walks the tree without recursion: a page nested deeply enough must not exhaust the stack.
void CollectLinks(xmlNode* root, std::vector<std::string>& links)
{
    xmlNode* node = root;
    while (node != nullptr) {
        if (node->type == XML_ELEMENT_NODE) {
            for (xmlAttr* attr = node->properties; attr != nullptr; attr = attr->next) {
                if (!IsLinkAttribute(attr->name))
                    continue;
                xmlChar* value = xmlNodeListGetString(node->doc, attr->children, 1);
                links.emplace_back(value != nullptr ? reinterpret_cast<const char*>(value) : "");
                xmlFree(value);
            }
        }
        if (node->children != nullptr && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node != nullptr && node->next == nullptr && node != root)
            node = node->parent;
        if (node == nullptr || node == root)
            break;
        node = node->next;
    }
}

} // namespace

std::vector<std::string> HtmlLinkTargets(std::string_view html)
{
    std::vector<std::string> links;
    if (html.empty() || html.size() > static_cast<std::size_t>(INT_MAX))
        return links;
    // Text that is valid UTF-8 is left to the parser, which honours a declared charset and a
    // byte-order mark. Anything else is taken as Windows-1252, the pages' usual encoding on
    // Windows: left alone, the parser mangles such bytes when it guesses UTF-8 first.
    const char* encoding = IsValidUtf8(html) ? nullptr : "windows-1252";
    constexpr int kOptions = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET
                             | HTML_PARSE_NOBLANKS | HTML_PARSE_COMPACT;
    std::unique_ptr<xmlDoc, DocFree> doc(
        htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, encoding, kOptions));
    if (!doc)
        return links;
    for (xmlNode* top = doc->children; top != nullptr; top = top->next)
        CollectLinks(top, links);
    return links;
}

} // namespace qv
