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

namespace {

// One pass over the text; each method consumes one kind of markup at i and returns an error
// text, empty when the markup was well formed.
struct XmlParser {
    const std::string& s;
    XmlDocument& doc;
    std::size_t i = 0;
    std::vector<std::size_t> open; // indices of the open elements, innermost last
    bool textOpen = false;         // the innermost element still collects its first text

    bool At(const char* lit) const
    {
        return s.compare(i, std::char_traits<char>::length(lit), lit) == 0;
    }
    void SkipBlanks(std::size_t& k) const
    {
        while (k < s.size() && IsBlank(s[k]))
            ++k;
    }
    std::size_t NameEnd(std::size_t k) const
    {
        while (k < s.size() && IsNameChar(s[k]))
            ++k;
        return k;
    }
    std::string Text();
    // Processing instructions, comments and declarations; false when none starts at i.
    bool SkipMarkup(std::string& error);
    std::string CloseTag();
    std::string Attributes(XmlElement& e, std::size_t& k, bool& selfClosing) const;
    // A start tag; sets stopped when it is the element the caller stops at.
    std::string StartTag(const std::string& stopAt, bool& stopped);
};

std::string XmlParser::Text()
{
    std::size_t next = s.find('<', i);
    if (next == std::string::npos)
        next = s.size();
    if (open.empty()) {
        for (std::size_t k = i; k < next; ++k)
            if (!IsBlank(s[k]))
                return Format("text outside the root element at byte %zu", k + 1);
    }
    i = next;
    return {};
}

bool XmlParser::SkipMarkup(std::string& error)
{
    struct Kind {
        const char* open;
        std::size_t from; // where the search for the end starts, past the opening
        const char* close;
        const char* unterminated;
    };
    static const Kind kinds[] = {{"<?", 0, "?>", "an unterminated processing instruction"},
                                 {"<!--", 4, "-->", "an unterminated comment"},
                                 {"<!", 0, ">", "an unterminated declaration"}};
    for (const Kind& kind : kinds) {
        if (!At(kind.open))
            continue;
        const std::size_t end = s.find(kind.close, i + kind.from);
        if (end == std::string::npos)
            error = kind.unterminated;
        else
            i = end + std::char_traits<char>::length(kind.close);
        return true;
    }
    return false;
}

std::string XmlParser::CloseTag()
{
    const std::size_t j = i + 2;
    std::size_t k = NameEnd(j);
    std::string name = s.substr(j, k - j);
    SkipBlanks(k);
    if (k >= s.size() || s[k] != '>')
        return Format("a malformed closing tag at byte %zu", i + 1);
    if (open.empty() || doc.Elements[open.back()].Name != name)
        return Format("the closing tag </%s> does not match at byte %zu", name.c_str(), i + 1);
    if (textOpen)
        doc.Elements[open.back()].TextEnd = i;
    textOpen = false;
    open.pop_back();
    i = k + 1;
    return {};
}

std::string XmlParser::Attributes(XmlElement& e, std::size_t& k, bool& selfClosing) const
{
    const std::size_t n = s.size();
    const char* tag = e.Name.c_str();
    for (;;) {
        SkipBlanks(k);
        if (k >= n)
            return Format("the tag <%s> is not closed", tag);
        if (s[k] == '>') {
            ++k;
            return {};
        }
        if (s[k] == '/' && k + 1 < n && s[k + 1] == '>') {
            selfClosing = true;
            k += 2;
            return {};
        }
        const std::size_t a = k;
        k = NameEnd(k);
        if (a == k)
            return Format("a malformed attribute in <%s>", tag);
        std::string name = s.substr(a, k - a);
        SkipBlanks(k);
        if (k >= n || s[k] != '=')
            return Format("the attribute %s of <%s> has no value", name.c_str(), tag);
        ++k;
        SkipBlanks(k);
        if (k >= n || (s[k] != '"' && s[k] != '\''))
            return Format("the attribute %s of <%s> is not quoted", name.c_str(), tag);
        const char quote = s[k++];
        const std::size_t end = s.find(quote, k);
        if (end == std::string::npos)
            return Format("the attribute %s of <%s> is not closed", name.c_str(), tag);
        e.Attributes[name] = Unescape(s.substr(k, end - k));
        k = end + 1;
    }
}

std::string XmlParser::StartTag(const std::string& stopAt, bool& stopped)
{
    const std::size_t tagStart = i;
    std::size_t k = NameEnd(i + 1);
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
    if (std::string error = Attributes(e, k, selfClosing); !error.empty())
        return error;
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
        stopped = true;
        return {};
    }
    textOpen = !selfClosing;
    if (!selfClosing)
        open.push_back(index);
    return {};
}

} // namespace

std::string ParseXml(const std::string& s, const std::string& stopAt, XmlDocument& doc)
{
    doc = XmlDocument{};
    XmlParser p{s, doc};
    while (p.i < s.size()) {
        std::string error;
        bool stopped = false;
        if (s[p.i] != '<')
            error = p.Text();
        else if (!p.SkipMarkup(error))
            error = p.At("</") ? p.CloseTag() : p.StartTag(stopAt, stopped);
        if (!error.empty())
            return error;
        if (stopped)
            return {};
    }
    if (doc.Elements.empty())
        return "no element";
    if (!p.open.empty())
        return Format("the element <%s> is not closed", doc.Elements[p.open.back()].Name.c_str());
    return {};
}
