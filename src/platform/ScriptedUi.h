#pragma once
// Ui for tests: answers come from queues filled by the test, and everything shown is logged.

#include "platform/Form.h"
#include "platform/Ui.h"

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// One answer to a form dialog: OK with field texts to type first, or Cancel.
// A field is named by its label, or by "#<index>" for fields without a label.
struct FormAnswer {
    bool ok = true;
    std::vector<std::pair<std::string, std::string>> texts;
};

struct LoggedMessage {
    std::string text;
    Buttons buttons = Buttons::Ok;
    Answer answer = Answer::Ok;
};

class ScriptedUi : public Ui {
public:
    Answer MessageBox(const std::string& text, Buttons buttons = Buttons::Ok) override;
    std::vector<std::string> OpenFiles(const std::string& filterDescription,
                                       bool multiple) override;
    std::optional<std::string> SaveFile(const std::string& initialName,
                                        const std::string& filterDescription,
                                        const std::string& pattern) override;
    bool RunForm(Form& form) override;
    void ShowProgress(const std::string& text) override { progress.push_back(text); }
    void EndProgress() override
    {
        lastPolls = cancelPolls;
        cancelPolls = 0;
    }
    // Counts the polls; answers true from poll cancelAtPoll on (never while it is 0).
    bool CancelRequested() override
    {
        ++cancelPolls;
        return cancelAtPoll > 0 && cancelPolls >= cancelAtPoll;
    }
    int cancelAtPoll = 0;
    int cancelPolls = 0;
    int lastPolls = 0; // the polls of the last command, counted up to its EndProgress

    // Queue helpers.
    ScriptedUi& AnswerMessage(Answer a)
    {
        messageAnswers.push_back(a);
        return *this;
    }
    ScriptedUi& AnswerOpen(std::vector<std::string> paths)
    {
        openAnswers.push_back(std::move(paths));
        return *this;
    }
    ScriptedUi& AnswerSave(std::optional<std::string> path)
    {
        saveAnswers.push_back(std::move(path));
        return *this;
    }
    ScriptedUi& AnswerForm(FormAnswer a)
    {
        formAnswers.push_back(std::move(a));
        return *this;
    }
    ScriptedUi& CancelForm()
    {
        formAnswers.push_back(FormAnswer{false, {}});
        return *this;
    }

    // Texts of every message box shown, in order.
    std::vector<std::string> MessageTexts() const;
    void ClearLog();

    // Unanswered message boxes answer Ok, No for Yes/No and Cancel for Yes/No/Cancel; unanswered
    // dialogs are cancelled.
    std::deque<Answer> messageAnswers;
    std::deque<std::vector<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::deque<FormAnswer> formAnswers;

    std::vector<LoggedMessage> messages;
    std::vector<std::string> openFilters; // filter description of every file-open dialog
    std::vector<std::string> saveNames;   // initial name of every file-save dialog
    std::vector<std::string> formCaptions;
    std::vector<std::string> progress;
};

} // namespace platform
