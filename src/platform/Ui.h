#pragma once
// The user-facing dialogs every command reaches the user through: message boxes captioned
// "Kalder", file dialogs, and modal form dialogs.

#include <optional>
#include <string>
#include <vector>

namespace platform {

class Form;

enum class Buttons { Ok, YesNo };
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

} // namespace platform
