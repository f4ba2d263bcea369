#pragma once
// The Ui on Qt widgets: message boxes captioned "Kalder", file dialogs, the generic form dialog,
// and a modal progress dialog for long commands.

#include "platform/Form.h"
#include "platform/Ui.h"

#include <QDialog>
#include <QPointer>
#include <QProgressDialog>

#include <vector>

class QWidget;

class QtUi : public platform::Ui {
public:
    explicit QtUi(QWidget* parent = nullptr) : parent(parent) {}
    void SetParent(QWidget* p) { parent = p; }

    platform::Answer MessageBox(const std::string& text, platform::Buttons buttons) override;
    std::vector<std::string> OpenFiles(const std::string& filterDescription,
                                       bool multiple) override;
    std::optional<std::string> SaveFile(const std::string& initialName,
                                        const std::string& filterDescription,
                                        const std::string& pattern) override;
    bool RunForm(platform::Form& form) override;
    void ShowProgress(const std::string& text) override;
    void EndProgress() override;
    // Shows the progress window's Cancel button (commands that poll can stop) and delivers the
    // user's clicks; true once Cancel was pressed, until EndProgress.
    bool CancelRequested() override;

    // The Qt filter for a description such as "3d binary data(*.*)": the description stays as
    // the user reads it, but the pattern is "*", since "*.*" would hide files without a dot.
    static QString FilterFor(const std::string& description);

private:
    QWidget* parent;
    QPointer<QProgressDialog> progress;
    bool cancelled = false;
};

// The dialog that draws any form record. OK converts every field; a field that does not parse
// is refused with "Enter a number." or "Enter an integer." and the dialog stays open.
class FormDialog : public QDialog {
public:
    FormDialog(platform::Form& form, QWidget* parent = nullptr);
    void accept() override;

    // The editor widget of field i (QLineEdit, QCheckBox or the QButtonGroup's box), for tests.
    QWidget* Editor(std::size_t i) const { return editors.at(i); }
    // Text of the last refusal shown, for tests.
    QString lastRefusal;
    // Tests set this to record refusals without a modal message box.
    bool quietRefusals = false;

private:
    QString TextOf(std::size_t i) const;
    QWidget* MakeEditor(std::size_t i, bool inGrid);
    platform::Form& form;
    std::vector<QWidget*> editors;
};
