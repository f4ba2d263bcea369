#pragma once
// A small XML reader for the header of VTK XML files: elements with attributes and their direct
// text, no namespaces or DTDs. The text of an element is kept as a range into the document, so
// large inline data arrays are not copied.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

struct XmlElement {
    std::string Name;
    std::map<std::string, std::string> Attributes;
    std::size_t TextBegin = 0, TextEnd = 0; // the text before the first child or closing tag
    std::vector<std::size_t> Children;      // indices into XmlDocument::Elements
    std::size_t Parent = 0;

    // The attribute's value, or fallback (a copy: fallbacks are often temporaries).
    std::string Attribute(const std::string& name, const std::string& fallback) const;
    bool Has(const std::string& name) const { return Attributes.count(name) > 0; }
};

struct XmlDocument {
    std::vector<XmlElement> Elements; // Elements[0] is the root
    // Offset just past the start tag of the element named by Parse's stopAt (npos when none).
    std::size_t StopOffset = std::string::npos;
};

// Parses text up to its end or up to the first start tag named stopAt (whose attributes are
// read; the element then holds no text or children). Returns an error text, empty on success.
// Nesting deeper than 64 levels or more than 100000 elements is refused.
std::string ParseXml(const std::string& text, const std::string& stopAt, XmlDocument& doc);
