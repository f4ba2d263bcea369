#pragma once
// The user-facing dialogs every command reaches the user through: message boxes captioned
// "Kalder", file dialogs, and modal form dialogs.

#include <optional>
#include <string>
#include <vector>

namespace platform {

class Form;

enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

class Ui {
public:
    virtual ~Ui() = default;
    // Modal message box captioned "Kalder"; returns the button chosen.
    virtual Answer MessageBox(const std::string& text, Buttons buttons = Buttons::Ok) = 0;
    // File-open dialog with one filter "<description>" and pattern "*.*", initial name "*.*".
    // Returns the chosen paths; an empty list means cancelled.
    virtual std::vector<std::string> OpenFiles(const std::string& filterDescription,
                                               bool multiple) = 0;
    // File-save dialog with an initial name and one filter pair; no default extension.
    virtual std::optional<std::string> SaveFile(const std::string& initialName,
                                                const std::string& filterDescription,
                                                const std::string& pattern) = 0;
    // Modal form dialog; true on OK (every field converted), false on Cancel.
    virtual bool RunForm(Form& form) = 0;
    // Long commands report progress texts here; the window keeps repainting meanwhile.
    virtual void ShowProgress(const std::string& text) {}
    virtual void EndProgress() {}
    // Whether the user asked the long command in progress to stop (the progress window's Cancel
    // button). Commands poll it only where stopping is safe; once true it stays true until
    // EndProgress.
    virtual bool CancelRequested() { return false; }
};

// Ui for the command line and for a process that installed none: messages go to standard error,
// Yes/No boxes answer No, file dialogs and forms are cancelled.
class ConsoleUi : public Ui {
public:
    Answer MessageBox(const std::string& text, Buttons buttons) override;
    std::vector<std::string> OpenFiles(const std::string& filterDescription,
                                       bool multiple) override;
    std::optional<std::string> SaveFile(const std::string& initialName,
                                        const std::string& filterDescription,
                                        const std::string& pattern) override;
    bool RunForm(Form& form) override;
};

// Ui of a run nobody watches (a snapshot): every form is answered OK with the values it was
// filled with (its preset), messages go to standard error, and a question without a preset (a
// Yes/No box, a file dialog) is answered No / Cancel and remembered, so that the run can end
// with a message and a failure status instead of waiting for a user.
class PresetUi : public Ui {
public:
    Answer MessageBox(const std::string& text, Buttons buttons) override;
    std::vector<std::string> OpenFiles(const std::string& filterDescription,
                                       bool multiple) override;
    std::optional<std::string> SaveFile(const std::string& initialName,
                                        const std::string& filterDescription,
                                        const std::string& pattern) override;
    bool RunForm(Form& form) override;
    void ShowProgress(const std::string& text) override;

    // The first question that had no preset answer; empty when there was none.
    const std::string& Unanswered() const { return unanswered; }

private:
    void NoPreset(const std::string& question);
    std::string unanswered;
};

} // namespace platform
