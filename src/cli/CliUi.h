#pragma once
// The Ui of kalder-cli: every question a command asks is answered from the command line, nothing
// waits for a user. Form fields take the texts the options gave (by the form's caption and the
// field's label) and keep their preset otherwise; file dialogs take the paths the options named;
// messages are kept, so that the job can print them as notes after a success or as its one
// error line after a failure. Progress texts go to the progress display.

#include "platform/Ui.h"

#include <chrono>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace cli {

// Progress on standard error: a bar with percent, elapsed and estimated time left when standard
// error is a terminal and the work has run for about a second, one line per stage otherwise.
class Progress {
public:
    Progress(bool quiet, bool terminal);
    ~Progress();
    // The number of stages the job expects (its own and the texts its commands report).
    void Plan(int stages);
    // One stage begins.
    void Stage(const std::string& text);
    // Clears the bar line, if one is drawn.
    void Finish();

private:
    void DrawBar(const std::string& text);
    bool quiet;
    bool terminal;
    bool barShown = false;
    int planned = 0;
    int done = 0;
    std::chrono::steady_clock::time_point start;
};

class CliUi : public platform::Ui {
public:
    explicit CliUi(Progress& progress) : progress(progress) {}

    // The text typed into field label of the form captioned caption.
    void AnswerField(const std::string& caption, const std::string& label, std::string text);
    // The next file-open (or file-save) dialog chooses these paths.
    void AnswerOpen(std::vector<std::string> paths) { openAnswers.push_back(std::move(paths)); }
    void AnswerSave(std::string path) { saveAnswers.push_back(std::move(path)); }
    // Yes/No questions whose text starts with prefix take this answer.
    void AnswerQuestion(std::string prefix, platform::Answer answer);

    platform::Answer MessageBox(const std::string& text, platform::Buttons buttons) override;
    std::vector<std::string> OpenFiles(const std::string& filterDescription,
                                       bool multiple) override;
    std::optional<std::string> SaveFile(const std::string& initialName,
                                        const std::string& filterDescription,
                                        const std::string& pattern) override;
    bool RunForm(platform::Form& form) override;
    void ShowProgress(const std::string& text) override { progress.Stage(text); }

    // Every message shown, in order.
    const std::vector<std::string>& Messages() const { return messages; }
    // The first question that had no answer (a file dialog, a Yes/No box, a refused field
    // text); empty when every question was answered.
    const std::string& Unanswered() const { return unanswered; }

private:
    void NoAnswer(const std::string& question);
    Progress& progress;
    std::map<std::pair<std::string, std::string>, std::string> fieldAnswers;
    std::deque<std::vector<std::string>> openAnswers;
    std::deque<std::string> saveAnswers;
    std::vector<std::pair<std::string, platform::Answer>> questionAnswers;
    std::vector<std::string> messages;
    std::string unanswered;
};

} // namespace cli
