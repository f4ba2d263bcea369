#pragma once
// A modal dialog described as a record of fields. Every dialog of the program is a plain struct
// that lists its fields in a Form; the Qt backend draws any Form, the scripted Ui answers it in
// tests and the command-line tool fills it from options.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class FieldKind { Int, Float, Double, Text, Check, Radio, Prompt };

struct FormField {
    FieldKind kind = FieldKind::Prompt;
    std::string label;                // shown beside the field; the text itself for a Prompt
    void* target = nullptr;           // int*, float*, double*, std::string*, or int* (Check, Radio)
    std::vector<std::string> choices; // Radio: one text per button; the int holds the index
    bool readOnly = false;            // shown but not editable
};

// A run of fields shown as a table: rows x columns fields, row by row, from firstField on.
struct FormGrid {
    std::size_t firstField = 0;
    std::vector<std::string> rowHeadings;
    std::vector<std::string> columnHeadings;
    std::size_t Rows() const { return rowHeadings.size(); }
    std::size_t Columns() const { return columnHeadings.size(); }
};

class Form {
public:
    explicit Form(std::string caption) : caption(std::move(caption)) {}

    Form& Int(const std::string& label, int& value);
    Form& Float(const std::string& label, float& value);
    Form& Double(const std::string& label, double& value);
    Form& Text(const std::string& label, std::string& value);
    Form& Check(const std::string& label, int& value);
    Form& Radio(const std::string& label, int& value, std::vector<std::string> choices);
    Form& Prompt(const std::string& text);
    // Marks the field added last as read-only.
    Form& ReadOnly();
    // The next rows x columns fields, added row by row, are shown as a table with these
    // headings (presentation only: the fields keep their own labels).
    Form& BeginGrid(std::vector<std::string> rowHeadings, std::vector<std::string> columnHeadings);
    // The grid that starts at field index, or nullptr.
    const FormGrid* GridAt(std::size_t index) const;

    // The field's current value as the dialog shows it ("%d"; floats with 6 significant digits,
    // doubles with 15, as the dialog framework formats them).
    std::string FieldText(std::size_t index) const;
    // Checks that text converts for the field; returns the refusal message ("Enter a number.",
    // "Enter an integer.") or nothing. Check and Radio fields take "0"/"1" and a choice index.
    std::optional<std::string> CheckFieldText(std::size_t index, const std::string& text) const;
    // Converts and stores text into the field's target; the text must have passed CheckFieldText.
    void SetFieldText(std::size_t index, const std::string& text);
    // Index of the first field with this label, or -1.
    int FindField(const std::string& label) const;

    std::string caption;
    std::vector<FormField> fields;
    std::vector<FormGrid> grids;

private:
    Form& Add(FieldKind kind, const std::string& label, void* target);
};

// Parses a whole field text as the dialog framework does (blanks around the number allowed).
bool ParseIntField(const std::string& text, int& value);
bool ParseDoubleField(const std::string& text, double& value);

} // namespace platform
