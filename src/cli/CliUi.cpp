#include "CliUi.h"

#include "platform/Form.h"

#include <cstdio>

namespace cli {

namespace {

// Bar and time texts stay within an 80-column terminal.
constexpr int BarWidth = 24;
constexpr std::size_t StageTextWidth = 32;

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

} // namespace

Progress::Progress(bool quiet, bool terminal)
    : quiet(quiet), terminal(terminal), start(std::chrono::steady_clock::now())
{
}

Progress::~Progress()
{
    Finish();
}

void Progress::Plan(int stages)
{
    planned = stages;
    done = 0;
    start = std::chrono::steady_clock::now();
}

void Progress::Stage(const std::string& given)
{
    if (quiet)
        return;
    std::string text = given;
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    const double elapsed = Seconds(std::chrono::steady_clock::now() - start);
    if (!terminal) {
        std::fprintf(stderr, "kalder-cli: %s (%.1f s)\n", text.c_str(), elapsed);
        ++done;
        return;
    }
    // A bar only for work that runs long enough to be watched.
    if (elapsed >= 1.0 || barShown)
        DrawBar(text);
    ++done;
}

void Progress::DrawBar(const std::string& text)
{
    const double elapsed = Seconds(std::chrono::steady_clock::now() - start);
    const int total = planned > done ? planned : done + 1;
    const double fraction = static_cast<double>(done) / total;
    const int filled = static_cast<int>(fraction * BarWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(BarWidth, '.');
    char left[32] = "?";
    if (done > 0)
        std::snprintf(left, sizeof left, "%.0f s", elapsed * (total - done) / done);
    std::string shown = text.substr(0, StageTextWidth);
    std::fprintf(stderr, "\r[%s] %3.0f%%  %.0f s elapsed, %s left  %-*s", bar.c_str(),
                 fraction * 100.0, elapsed, left, static_cast<int>(StageTextWidth), shown.c_str());
    std::fflush(stderr);
    barShown = true;
}

void Progress::Finish()
{
    if (barShown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        barShown = false;
    }
}

void CliUi::AnswerField(const std::string& caption, const std::string& label, std::string text)
{
    fieldAnswers[{caption, label}] = std::move(text);
}

void CliUi::AnswerQuestion(std::string prefix, platform::Answer answer)
{
    questionAnswers.emplace_back(std::move(prefix), answer);
}

void CliUi::NoAnswer(const std::string& question)
{
    if (unanswered.empty())
        unanswered = question;
}

platform::Answer CliUi::MessageBox(const std::string& text, platform::Buttons buttons)
{
    messages.push_back(text);
    if (buttons == platform::Buttons::Ok)
        return platform::Answer::Ok;
    for (const auto& [prefix, answer] : questionAnswers)
        if (text.rfind(prefix, 0) == 0)
            return answer;
    NoAnswer("the question \"" + text + "\"");
    return buttons == platform::Buttons::YesNo ? platform::Answer::No : platform::Answer::Cancel;
}

std::vector<std::string> CliUi::OpenFiles(const std::string& filterDescription, bool)
{
    if (openAnswers.empty()) {
        NoAnswer("the file-open dialog \"" + filterDescription + "\"");
        return {};
    }
    std::vector<std::string> paths = std::move(openAnswers.front());
    openAnswers.pop_front();
    return paths;
}

std::optional<std::string> CliUi::SaveFile(const std::string&, const std::string& filterDescription,
                                           const std::string&)
{
    if (saveAnswers.empty()) {
        NoAnswer("the file-save dialog \"" + filterDescription + "\"");
        return std::nullopt;
    }
    std::string path = std::move(saveAnswers.front());
    saveAnswers.pop_front();
    return path;
}

bool CliUi::RunForm(platform::Form& form)
{
    for (std::size_t i = 0; i < form.fields.size(); ++i) {
        const auto it = fieldAnswers.find({form.caption, form.fields[i].label});
        if (it == fieldAnswers.end() || form.fields[i].readOnly)
            continue; // the preset stands
        if (auto refusal = form.CheckFieldText(i, it->second)) {
            NoAnswer("\"" + form.fields[i].label + "\" (" + *refusal + ")");
            return false;
        }
        form.SetFieldText(i, it->second);
    }
    return true;
}

} // namespace cli
