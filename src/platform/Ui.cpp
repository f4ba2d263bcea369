#include "platform/Ui.h"
#include "platform/ScriptedUi.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

Answer ConsoleUi::MessageBox(const std::string& text, Buttons buttons)
{
    std::fprintf(stderr, "Kalder: %s\n", text.c_str());
    // Nobody answers: a question keeps things as they are.
    return buttons == Buttons::YesNo         ? Answer::No
           : buttons == Buttons::YesNoCancel ? Answer::Cancel
                                             : Answer::Ok;
}

std::vector<std::string> ConsoleUi::OpenFiles(const std::string&, bool)
{
    return {};
}

std::optional<std::string> ConsoleUi::SaveFile(const std::string&, const std::string&,
                                               const std::string&)
{
    return std::nullopt;
}

bool ConsoleUi::RunForm(Form&)
{
    return false;
}

void PresetUi::NoPreset(const std::string& question)
{
    std::fprintf(stderr, "Kalder: %s has no preset answer.\n", question.c_str());
    if (unanswered.empty())
        unanswered = question;
}

Answer PresetUi::MessageBox(const std::string& text, Buttons buttons)
{
    if (buttons == Buttons::Ok) {
        std::fprintf(stderr, "Kalder: %s\n", text.c_str());
        return Answer::Ok;
    }
    NoPreset("the question \"" + text + "\"");
    return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
}

std::vector<std::string> PresetUi::OpenFiles(const std::string& filterDescription, bool)
{
    NoPreset("the file-open dialog \"" + filterDescription + "\"");
    return {};
}

std::optional<std::string>
PresetUi::SaveFile(const std::string&, const std::string& filterDescription, const std::string&)
{
    NoPreset("the file-save dialog \"" + filterDescription + "\"");
    return std::nullopt;
}

bool PresetUi::RunForm(Form&)
{
    return true; // every field keeps the value the command filled in
}

void PresetUi::ShowProgress(const std::string& text)
{
    std::fprintf(stderr, "Kalder: %s\n", text.c_str());
}

Answer ScriptedUi::MessageBox(const std::string& text, Buttons buttons)
{
    Answer a = buttons == Buttons::YesNo         ? Answer::No
               : buttons == Buttons::YesNoCancel ? Answer::Cancel
                                                 : Answer::Ok;
    if (!messageAnswers.empty()) {
        a = messageAnswers.front();
        messageAnswers.pop_front();
    }
    messages.push_back({text, buttons, a});
    return a;
}

std::vector<std::string> ScriptedUi::OpenFiles(const std::string& filterDescription, bool multiple)
{
    openFilters.push_back(filterDescription);
    if (openAnswers.empty())
        return {};
    std::vector<std::string> paths = std::move(openAnswers.front());
    openAnswers.pop_front();
    if (!multiple && paths.size() > 1)
        paths.resize(1);
    return paths;
}

std::optional<std::string> ScriptedUi::SaveFile(const std::string& initialName, const std::string&,
                                                const std::string&)
{
    saveNames.push_back(initialName);
    if (saveAnswers.empty())
        return std::nullopt;
    std::optional<std::string> path = std::move(saveAnswers.front());
    saveAnswers.pop_front();
    return path;
}

bool ScriptedUi::RunForm(Form& form)
{
    formCaptions.push_back(form.caption);
    // A refused field keeps the dialog open, as the real dialog does: the next queued answer is
    // then typed into the same dialog.
    while (!formAnswers.empty()) {
        FormAnswer a = std::move(formAnswers.front());
        formAnswers.pop_front();
        if (!a.ok)
            return false;
        bool refused = false;
        for (const auto& [name, text] : a.texts) {
            int index = -1;
            if (!name.empty() && name[0] == '#')
                index = std::atoi(name.c_str() + 1);
            else
                index = form.FindField(name);
            if (index < 0 || index >= static_cast<int>(form.fields.size())) {
                std::fprintf(stderr, "ScriptedUi: form \"%s\" has no field \"%s\"\n",
                             form.caption.c_str(), name.c_str());
                std::abort(); // a broken test script, not a user error
            }
            if (auto refusal = form.CheckFieldText(static_cast<std::size_t>(index), text)) {
                messages.push_back({*refusal, Buttons::Ok, Answer::Ok});
                refused = true;
                break;
            }
        }
        if (refused)
            continue;
        for (const auto& [name, text] : a.texts) {
            int index = name[0] == '#' ? std::atoi(name.c_str() + 1) : form.FindField(name);
            form.SetFieldText(static_cast<std::size_t>(index), text);
        }
        return true;
    }
    return false;
}

std::vector<std::string> ScriptedUi::MessageTexts() const
{
    std::vector<std::string> out;
    for (const auto& m : messages)
        out.push_back(m.text);
    return out;
}

void ScriptedUi::ClearLog()
{
    messages.clear();
    openFilters.clear();
    saveNames.clear();
    formCaptions.clear();
    progress.clear();
}

} // namespace platform
