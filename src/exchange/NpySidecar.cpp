#include "exchange/NpySidecar.h"

#include "platform/TextFile.h"
#include "volume/Data3D.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

using platform::Format;

namespace {

// Larger sidecars are not ours: twelve fields take a few hundred bytes.
constexpr long MaxSidecarBytes = 1 << 20;
// Nested values are skipped, never interpreted; this bounds the work on a hostile file.
constexpr int MaxDepth = 64;

// A recursive-descent reader of one JSON text, kept to what the sidecar needs.
class JsonReader {
public:
    explicit JsonReader(const std::string& text) : s(text) {}

    std::string error;

    void Blank()
    {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r'))
            ++i;
    }
    bool Peek(char c)
    {
        Blank();
        return i < s.size() && s[i] == c;
    }
    bool Expect(char c)
    {
        if (Peek(c)) {
            ++i;
            return true;
        }
        Fail(Format("'%c' expected", c));
        return false;
    }
    void Fail(const std::string& what)
    {
        if (error.empty())
            error = what + Format(" at character %zu", i + 1);
    }
    bool AtEnd()
    {
        Blank();
        return i >= s.size();
    }

    bool String(std::string& out)
    {
        out.clear();
        if (!Expect('"'))
            return false;
        while (i < s.size()) {
            char c = s[i++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20) {
                Fail("control character in a string");
                return false;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i >= s.size())
                break;
            char e = s[i++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned code = 0;
                if (!Hex4(code))
                    return false;
                if (code >= 0xD800 && code < 0xDC00 && i + 1 < s.size() && s[i] == '\\' &&
                    s[i + 1] == 'u') {
                    i += 2;
                    unsigned low = 0;
                    if (!Hex4(low))
                        return false;
                    if (low >= 0xDC00 && low < 0xE000)
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                }
                Utf8(code, out);
                break;
            }
            default:
                Fail("unknown escape in a string");
                return false;
            }
        }
        Fail("unterminated string");
        return false;
    }

    bool Number(double& out)
    {
        Blank();
        const char* begin = s.c_str() + i;
        // JSON numbers: -?digits(.digits)?([eE][+-]?digits)?
        std::size_t j = i;
        if (j < s.size() && s[j] == '-')
            ++j;
        std::size_t digits = j;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9')
            ++j;
        if (j == digits) {
            Fail("number expected");
            return false;
        }
        if (j < s.size() && s[j] == '.') {
            ++j;
            while (j < s.size() && s[j] >= '0' && s[j] <= '9')
                ++j;
        }
        if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
            ++j;
            if (j < s.size() && (s[j] == '+' || s[j] == '-'))
                ++j;
            while (j < s.size() && s[j] >= '0' && s[j] <= '9')
                ++j;
        }
        std::string text(begin, s.c_str() + j);
        errno = 0;
        char* end = nullptr;
        out = std::strtod(text.c_str(), &end);
        if (end != text.c_str() + text.size()) {
            Fail("malformed number");
            return false;
        }
        i = j;
        return true;
    }

    // Skips any value, nesting included, with an explicit stack instead of recursion.
    bool SkipValue()
    {
        std::string open; // '{' or '[' per open container, innermost last
        for (;;) {
            // A value (or an empty container) ...
            Blank();
            if (i >= s.size()) {
                Fail("value expected");
                return false;
            }
            char c = s[i];
            if (c == '{' || c == '[') {
                if (open.size() >= static_cast<std::size_t>(MaxDepth)) {
                    Fail("values nested too deeply");
                    return false;
                }
                ++i;
                const char close = c == '{' ? '}' : ']';
                if (Peek(close)) {
                    ++i;
                } else {
                    open += c;
                    if (c == '{') {
                        std::string key;
                        if (!String(key) || !Expect(':'))
                            return false;
                    }
                    continue;
                }
            } else if (c == '"') {
                std::string ignored;
                if (!String(ignored))
                    return false;
            } else if (c == '-' || (c >= '0' && c <= '9')) {
                double ignored;
                if (!Number(ignored))
                    return false;
            } else if (!Word("true") && !Word("false") && !Word("null")) {
                Fail("value expected");
                return false;
            }
            // ... then, inside containers, ',' and the next member or the closing brackets.
            for (;;) {
                if (open.empty())
                    return true;
                Blank();
                const char close = open.back() == '{' ? '}' : ']';
                if (i < s.size() && s[i] == close) {
                    ++i;
                    open.pop_back();
                    continue;
                }
                if (i < s.size() && s[i] == ',') {
                    ++i;
                    if (open.back() == '{') {
                        std::string key;
                        if (!String(key) || !Expect(':'))
                            return false;
                    }
                    break;
                }
                Fail("',' or a closing bracket expected");
                return false;
            }
        }
    }

private:
    bool Hex4(unsigned& code)
    {
        if (i + 4 > s.size()) {
            Fail("short \\u escape");
            return false;
        }
        code = 0;
        for (int k = 0; k < 4; ++k) {
            char h = s[i++];
            code <<= 4;
            if (h >= '0' && h <= '9')
                code |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f')
                code |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                code |= static_cast<unsigned>(h - 'A' + 10);
            else {
                Fail("bad \\u escape");
                return false;
            }
        }
        return true;
    }
    static void Utf8(unsigned code, std::string& out)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    bool Word(const char* w)
    {
        std::size_t n = std::strlen(w);
        if (s.compare(i, n, w) == 0) {
            i += n;
            return true;
        }
        return false;
    }

    const std::string& s;
    std::size_t i = 0;
};

const char* const StepKeys[3] = {"StepX", "StepY", "StepZ"};
const char* const StartKeys[3] = {"StartX", "StartY", "StartZ"};
const char* const TitleKeys[3] = {"TitleX", "TitleY", "TitleZ"};
const char* const UnitKeys[3] = {"UnitX", "UnitY", "UnitZ"};

std::string Escaped(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += Format("\\u%04x", u);
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace

std::string SidecarPath(const std::string& npyPath)
{
    return npyPath + ".json";
}

std::string ParseNpySidecar(const std::string& text, const std::string& path, ExchangeGrid& grid)
{
    JsonReader r(text);
    ExchangeGrid g = grid;
    auto fail = [&](const std::string& what) {
        return Format("The sidecar \"%s\" cannot be used: %s.", path.c_str(), what.c_str());
    };
    if (!r.Expect('{'))
        return fail(r.error);
    bool first = true;
    while (!r.Peek('}')) {
        if (!first && !r.Expect(','))
            return fail(r.error);
        first = false;
        std::string key;
        if (!r.String(key) || !r.Expect(':'))
            return fail(r.error);
        bool used = false;
        for (int a = 0; a < 3 && !used; ++a) {
            if (key == StepKeys[a] || key == StartKeys[a]) {
                double v = 0;
                if (!r.Number(v))
                    return fail(key + ": " + r.error);
                float f = static_cast<float>(v);
                if (key == StepKeys[a]) {
                    if (!(f > 0) || !std::isfinite(f))
                        return fail(Format("%s = %g is not a positive cell size", key.c_str(), v));
                    g.Step[a] = f;
                } else {
                    if (!std::isfinite(f))
                        return fail(Format("%s = %g is not a finite start", key.c_str(), v));
                    g.Start[a] = f;
                }
                used = true;
            } else if (key == TitleKeys[a] || key == UnitKeys[a]) {
                std::string v;
                if (!r.String(v))
                    return fail(key + ": " + r.error);
                (key == TitleKeys[a] ? g.Title[a] : g.Unit[a]) = v;
                used = true;
            }
        }
        if (!used && !r.SkipValue())
            return fail(r.error);
    }
    r.Expect('}');
    if (!r.AtEnd())
        return fail("text follows the closing '}'");
    grid = g;
    return {};
}

bool ReadNpySidecar(const std::string& npyPath, ExchangeGrid& grid, std::string& error)
{
    error.clear();
    const std::string path = SidecarPath(npyPath);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISREG(st.st_mode) || st.st_size > MaxSidecarBytes) {
        error =
            Format("The sidecar \"%s\" cannot be used: it is not a small JSON file.", path.c_str());
        return true;
    }
    platform::TextFile file;
    if (!file.Open(path)) {
        error = Format("Cannot open the sidecar \"%s\": %s.", path.c_str(), std::strerror(errno));
        return true;
    }
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    const std::size_t got = std::fread(text.data(), 1, text.size(), file.Stream());
    text.resize(got);
    error = ParseNpySidecar(text, path, grid);
    return true;
}

std::string NpySidecarText(const CData3D& v)
{
    const float steps[3] = {v.StepX, v.StepY, v.StepZ};
    const float starts[3] = {v.StartX, v.StartY, v.StartZ};
    const std::string* titles[3] = {&v.TitleX, &v.TitleY, &v.TitleZ};
    const std::string* units[3] = {&v.UnitX, &v.UnitY, &v.UnitZ};
    std::string out = "{\n";
    for (int a = 0; a < 3; ++a)
        out += Format("  \"%s\": %s,\n", StepKeys[a], FloatText(steps[a]).c_str());
    for (int a = 0; a < 3; ++a)
        out += Format("  \"%s\": %s,\n", StartKeys[a], FloatText(starts[a]).c_str());
    for (int a = 0; a < 3; ++a) {
        out += Format("  \"%s\": %s,\n", TitleKeys[a], Escaped(*titles[a]).c_str());
        out +=
            Format("  \"%s\": %s%s\n", UnitKeys[a], Escaped(*units[a]).c_str(), a < 2 ? "," : "");
    }
    return out + "}\n";
}
