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
    // No encoding is forced: the parser honours a declared charset (and a byte-order mark) and
    // reads an undeclared page as Latin-1, which matches Windows-1252 in every letter of a name.
    constexpr int kOptions = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET
                             | HTML_PARSE_NOBLANKS | HTML_PARSE_COMPACT;
    std::unique_ptr<xmlDoc, DocFree> doc(
        htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, nullptr, kOptions));
    if (!doc)
        return links;
    for (xmlNode* top = doc->children; top != nullptr; top = top->next)
        CollectLinks(top, links);
    return links;
}

} // namespace qv
