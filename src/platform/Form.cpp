#include "platform/Form.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

bool OnlyBlanks(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return *p == '\0';
}

std::string FormatG(double v, int digits)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    return buf;
}

} // namespace

bool ParseIntField(const std::string& text, int& value)
{
    const char* s = text.c_str();
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(s, &end, 10);
    if (end == s || !OnlyBlanks(end) || errno == ERANGE || v > INT_MAX || v < INT_MIN)
        return false;
    value = static_cast<int>(v);
    return true;
}

bool ParseDoubleField(const std::string& text, double& value)
{
    const char* s = text.c_str();
    char* end = nullptr;
    double v = std::strtod(s, &end);
    if (end == s || !OnlyBlanks(end))
        return false;
    value = v;
    return true;
}

Form& Form::Add(FieldKind kind, const std::string& label, void* target)
{
    FormField f;
    f.kind = kind;
    f.label = label;
    f.target = target;
    fields.push_back(std::move(f));
    return *this;
}

Form& Form::Int(const std::string& label, int& value)
{
    return Add(FieldKind::Int, label, &value);
}
Form& Form::Float(const std::string& label, float& value)
{
    return Add(FieldKind::Float, label, &value);
}
Form& Form::Double(const std::string& label, double& value)
{
    return Add(FieldKind::Double, label, &value);
}
Form& Form::Text(const std::string& label, std::string& value)
{
    return Add(FieldKind::Text, label, &value);
}
Form& Form::Check(const std::string& label, int& value)
{
    return Add(FieldKind::Check, label, &value);
}
Form& Form::Radio(const std::string& label, int& value, std::vector<std::string> choices)
{
    Add(FieldKind::Radio, label, &value);
    fields.back().choices = std::move(choices);
    return *this;
}
Form& Form::Prompt(const std::string& text)
{
    Add(FieldKind::Prompt, text, nullptr);
    fields.back().readOnly = true;
    return *this;
}
Form& Form::ReadOnly()
{
    if (!fields.empty())
        fields.back().readOnly = true;
    return *this;
}

Form& Form::BeginGrid(std::vector<std::string> rowHeadings, std::vector<std::string> columnHeadings)
{
    grids.push_back({fields.size(), std::move(rowHeadings), std::move(columnHeadings)});
    return *this;
}

const FormGrid* Form::GridAt(std::size_t index) const
{
    for (const FormGrid& g : grids)
        if (g.firstField == index && g.Rows() > 0 && g.Columns() > 0 &&
            index + g.Rows() * g.Columns() <= fields.size())
            return &g;
    return nullptr;
}

std::string Form::FieldText(std::size_t index) const
{
    const FormField& f = fields.at(index);
    switch (f.kind) {
    case FieldKind::Int:
    case FieldKind::Check:
    case FieldKind::Radio:
        return std::to_string(*static_cast<const int*>(f.target));
    case FieldKind::Float:
        return FormatG(*static_cast<const float*>(f.target), FLT_DIG);
    case FieldKind::Double:
        return FormatG(*static_cast<const double*>(f.target), DBL_DIG);
    case FieldKind::Text:
        return *static_cast<const std::string*>(f.target);
    case FieldKind::Prompt:
        return f.label;
    }
    return {};
}

std::optional<std::string> Form::CheckFieldText(std::size_t index, const std::string& text) const
{
    const FormField& f = fields.at(index);
    int i = 0;
    double d = 0;
    switch (f.kind) {
    case FieldKind::Int:
        if (!ParseIntField(text, i))
            return std::string("Enter an integer.");
        return std::nullopt;
    case FieldKind::Float:
        if (!ParseDoubleField(text, d) || (std::isfinite(d) && std::fabs(d) > FLT_MAX))
            return std::string("Enter a number.");
        return std::nullopt;
    case FieldKind::Double:
        if (!ParseDoubleField(text, d))
            return std::string("Enter a number.");
        return std::nullopt;
    case FieldKind::Check:
        if (!ParseIntField(text, i) || (i != 0 && i != 1))
            return std::string("Enter an integer.");
        return std::nullopt;
    case FieldKind::Radio:
        // -1: no button selected, as the dialog framework reports it
        if (!ParseIntField(text, i) || i < -1 || i >= static_cast<int>(f.choices.size()))
            return std::string("Enter an integer.");
        return std::nullopt;
    case FieldKind::Text:
    case FieldKind::Prompt:
        return std::nullopt;
    }
    return std::nullopt;
}

void Form::SetFieldText(std::size_t index, const std::string& text)
{
    const FormField& f = fields.at(index);
    if (f.readOnly || CheckFieldText(index, text))
        return;
    int i = 0;
    double d = 0;
    switch (f.kind) {
    case FieldKind::Int:
    case FieldKind::Check:
    case FieldKind::Radio:
        ParseIntField(text, i);
        *static_cast<int*>(f.target) = i;
        break;
    case FieldKind::Float:
        ParseDoubleField(text, d);
        *static_cast<float*>(f.target) = static_cast<float>(d);
        break;
    case FieldKind::Double:
        ParseDoubleField(text, d);
        *static_cast<double*>(f.target) = d;
        break;
    case FieldKind::Text:
        *static_cast<std::string*>(f.target) = text;
        break;
    case FieldKind::Prompt:
        break;
    }
}

int Form::FindField(const std::string& label) const
{
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].label == label)
            return static_cast<int>(i);
    return -1;
}

} // namespace platform
