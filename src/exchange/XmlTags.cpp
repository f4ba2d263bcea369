#include "exchange/XmlTags.h"

#include "platform/TextFile.h"

#include <cstdlib>

using platform::Format;

namespace {

constexpr std::size_t MaxDepth = 64;
constexpr std::size_t MaxElements = 100000;

bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Replaces the five predefined entities and numeric references below 128.
std::string Unescape(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        std::size_t semi = s.find(';', i);
        if (semi == std::string::npos) {
            out += s[i];
            continue;
        }
        std::string name = s.substr(i + 1, semi - i - 1);
        if (name == "lt")
            out += '<';
        else if (name == "gt")
            out += '>';
        else if (name == "amp")
            out += '&';
        else if (name == "quot")
            out += '"';
        else if (name == "apos")
            out += '\'';
        else if (name.size() > 1 && name[0] == '#' && name.size() < 8) {
            long code = name[1] == 'x' ? std::strtol(name.c_str() + 2, nullptr, 16)
                                       : std::strtol(name.c_str() + 1, nullptr, 10);
            out += code > 0 && code < 128 ? static_cast<char>(code) : '?';
        } else {
            out += s.substr(i, semi - i + 1);
        }
        i = semi;
    }
    return out;
}

} // namespace

std::string XmlElement::Attribute(const std::string& name, const std::string& fallback) const
{
    auto it = Attributes.find(name);
    return it == Attributes.end() ? fallback : it->second;
}

std::string ParseXml(const std::string& s, const std::string& stopAt, XmlDocument& doc)
{
    doc = XmlDocument{};
    std::vector<std::size_t> open; // indices of the open elements, innermost last
    bool textOpen = false;         // the innermost element still collects its first text
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto at = [&](const char* lit) {
        return s.compare(i, std::char_traits<char>::length(lit), lit) == 0;
    };

    while (i < n) {
        if (s[i] != '<') {
            std::size_t next = s.find('<', i);
            if (next == std::string::npos)
                next = n;
            if (open.empty()) {
                for (std::size_t k = i; k < next; ++k)
                    if (!IsBlank(s[k]))
                        return Format("text outside the root element at byte %zu", k + 1);
            }
            i = next;
            continue;
        }
        if (at("<?")) {
            std::size_t end = s.find("?>", i);
            if (end == std::string::npos)
                return "an unterminated processing instruction";
            i = end + 2;
            continue;
        }
        if (at("<!--")) {
            std::size_t end = s.find("-->", i + 4);
            if (end == std::string::npos)
                return "an unterminated comment";
            i = end + 3;
            continue;
        }
        if (at("<!")) {
            std::size_t end = s.find('>', i);
            if (end == std::string::npos)
                return "an unterminated declaration";
            i = end + 1;
            continue;
        }
        if (at("</")) {
            std::size_t j = i + 2, k = j;
            while (k < n && IsNameChar(s[k]))
                ++k;
            std::string name = s.substr(j, k - j);
            while (k < n && IsBlank(s[k]))
                ++k;
            if (k >= n || s[k] != '>')
                return Format("a malformed closing tag at byte %zu", i + 1);
            if (open.empty() || doc.Elements[open.back()].Name != name)
                return Format("the closing tag </%s> does not match at byte %zu", name.c_str(),
                              i + 1);
            XmlElement& e = doc.Elements[open.back()];
            if (textOpen)
                e.TextEnd = i;
            textOpen = false;
            open.pop_back();
            i = k + 1;
            continue;
        }
        // A start tag.
        std::size_t tagStart = i;
        std::size_t k = i + 1;
        while (k < n && IsNameChar(s[k]))
            ++k;
        if (k == i + 1)
            return Format("a malformed tag at byte %zu", i + 1);
        if (doc.Elements.size() >= MaxElements)
            return "too many elements";
        if (open.size() >= MaxDepth)
            return "elements nested too deeply";
        if (open.empty() && !doc.Elements.empty())
            return Format("a second root element at byte %zu", i + 1);
        XmlElement e;
        e.Name = s.substr(i + 1, k - i - 1);
        bool selfClosing = false;
        for (;;) {
            while (k < n && IsBlank(s[k]))
                ++k;
            if (k >= n)
                return Format("the tag <%s> is not closed", e.Name.c_str());
            if (s[k] == '>') {
                ++k;
                break;
            }
            if (s[k] == '/' && k + 1 < n && s[k + 1] == '>') {
                selfClosing = true;
                k += 2;
                break;
            }
            std::size_t a = k;
            while (k < n && IsNameChar(s[k]))
                ++k;
            if (a == k)
                return Format("a malformed attribute in <%s>", e.Name.c_str());
            std::string name = s.substr(a, k - a);
            while (k < n && IsBlank(s[k]))
                ++k;
            if (k >= n || s[k] != '=')
                return Format("the attribute %s of <%s> has no value", name.c_str(),
                              e.Name.c_str());
            ++k;
            while (k < n && IsBlank(s[k]))
                ++k;
            if (k >= n || (s[k] != '"' && s[k] != '\''))
                return Format("the attribute %s of <%s> is not quoted", name.c_str(),
                              e.Name.c_str());
            const char quote = s[k++];
            std::size_t end = s.find(quote, k);
            if (end == std::string::npos)
                return Format("the attribute %s of <%s> is not closed", name.c_str(),
                              e.Name.c_str());
            e.Attributes[name] = Unescape(s.substr(k, end - k));
            k = end + 1;
        }
        // The text of the parent ends at its first child.
        if (!open.empty() && textOpen)
            doc.Elements[open.back()].TextEnd = tagStart;
        const std::size_t index = doc.Elements.size();
        e.Parent = open.empty() ? index : open.back();
        e.TextBegin = e.TextEnd = k;
        doc.Elements.push_back(std::move(e));
        if (index != doc.Elements[index].Parent)
            doc.Elements[doc.Elements[index].Parent].Children.push_back(index);
        i = k;
        if (!stopAt.empty() && doc.Elements[index].Name == stopAt) {
            doc.StopOffset = k;
            return {};
        }
        textOpen = !selfClosing;
        if (!selfClosing)
            open.push_back(index);
    }
    if (doc.Elements.empty())
        return "no element";
    if (!open.empty())
        return Format("the element <%s> is not closed", doc.Elements[open.back()].Name.c_str());
    return {};
}
