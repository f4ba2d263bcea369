#include "QtUi.h"

#include <QPushButton>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using platform::FieldKind;

platform::Answer QtUi::MessageBox(const std::string& text, platform::Buttons buttons)
{
    QMessageBox box(parent);
    box.setWindowTitle("Kalder");
    box.setText(QString::fromStdString(text));
    if (buttons == platform::Buttons::YesNo) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? platform::Answer::Yes : platform::Answer::No;
    }
    if (buttons == platform::Buttons::YesNoCancel) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        int r = box.exec();
        return r == QMessageBox::Yes  ? platform::Answer::Yes
               : r == QMessageBox::No ? platform::Answer::No
                                      : platform::Answer::Cancel;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return platform::Answer::Ok;
}

QString QtUi::FilterFor(const std::string& description)
{
    return QString::fromStdString(description) + " (*)";
}

std::vector<std::string> QtUi::OpenFiles(const std::string& filterDescription, bool multiple)
{
    std::vector<std::string> out;
    QString filter = FilterFor(filterDescription);
    if (multiple) {
        for (const QString& p : QFileDialog::getOpenFileNames(parent, "Open", QString(), filter))
            out.push_back(p.toStdString());
    } else {
        QString p = QFileDialog::getOpenFileName(parent, "Open", QString(), filter);
        if (!p.isEmpty())
            out.push_back(p.toStdString());
    }
    return out;
}

std::optional<std::string> QtUi::SaveFile(const std::string& initialName,
                                          const std::string& filterDescription, const std::string&)
{
    QString p = QFileDialog::getSaveFileName(parent, "Save As", QString::fromStdString(initialName),
                                             FilterFor(filterDescription));
    if (p.isEmpty())
        return std::nullopt;
    return p.toStdString();
}

bool QtUi::RunForm(platform::Form& form)
{
    FormDialog dlg(form, parent);
    return dlg.exec() == QDialog::Accepted;
}

void QtUi::ShowProgress(const std::string& text)
{
    if (!progress) {
        progress = new QProgressDialog(parent);
        progress->setWindowTitle("Kalder");
        progress->setWindowModality(Qt::ApplicationModal);
        progress->setCancelButton(nullptr);
        progress->setRange(0, 0); // busy: the commands report stages, not fractions
        progress->setMinimumDuration(0);
        progress->show();
    }
    progress->setLabelText(QString::fromStdString(text));
    // Keep the window painting while the command blocks the event loop between stages.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool QtUi::CancelRequested()
{
    if (progress) {
        if (!progress->findChild<QPushButton*>()) {
            auto* button = new QPushButton("Cancel");
            progress->setCancelButton(button);
            QObject::connect(progress.data(), &QProgressDialog::canceled, progress.data(),
                             [this]() { cancelled = true; });
        }
        // The dialog is application-modal: only its own button takes the user's input here.
        QApplication::processEvents(QEventLoop::AllEvents);
    }
    return cancelled;
}

void QtUi::EndProgress()
{
    cancelled = false;
    if (progress) {
        progress->close();
        progress->deleteLater();
        progress = nullptr;
    }
}

QWidget* FormDialog::MakeEditor(std::size_t i, bool inGrid)
{
    const platform::FormField& field = form.fields[i];
    QString label = QString::fromStdString(field.label);
    switch (field.kind) {
    case FieldKind::Int:
    case FieldKind::Float:
    case FieldKind::Double:
    case FieldKind::Text: {
        auto* edit = new QLineEdit(QString::fromStdString(form.FieldText(i)));
        edit->setReadOnly(field.readOnly);
        if (inGrid)
            edit->setToolTip(label);
        return edit;
    }
    case FieldKind::Check: {
        auto* box = new QCheckBox(inGrid ? QString() : label);
        box->setChecked(form.FieldText(i) == "1");
        return box;
    }
    case FieldKind::Radio: {
        auto* group = new QGroupBox(label);
        auto* buttons = new QButtonGroup(group);
        auto* v = new QVBoxLayout(group);
        int current = std::stoi(form.FieldText(i));
        for (std::size_t c = 0; c < field.choices.size(); ++c) {
            auto* rb = new QRadioButton(QString::fromStdString(field.choices[c]));
            rb->setChecked(static_cast<int>(c) == current);
            buttons->addButton(rb, static_cast<int>(c));
            v->addWidget(rb);
        }
        return group;
    }
    case FieldKind::Prompt:
        return new QLabel(label);
    }
    return new QLabel;
}

FormDialog::FormDialog(platform::Form& f, QWidget* parent) : QDialog(parent), form(f)
{
    setWindowTitle(QString::fromStdString(form.caption));
    auto* outer = new QVBoxLayout(this);
    auto* layout = new QFormLayout;
    outer->addLayout(layout);
    editors.assign(form.fields.size(), nullptr);
    for (std::size_t i = 0; i < form.fields.size();) {
        if (const platform::FormGrid* grid = form.GridAt(i)) {
            // a table: column headings on top, row headings on the left
            auto* table = new QGridLayout;
            for (std::size_t c = 0; c < grid->Columns(); ++c)
                table->addWidget(new QLabel(QString::fromStdString(grid->columnHeadings[c])), 0,
                                 static_cast<int>(c) + 1, Qt::AlignHCenter);
            for (std::size_t r = 0; r < grid->Rows(); ++r) {
                table->addWidget(new QLabel(QString::fromStdString(grid->rowHeadings[r])),
                                 static_cast<int>(r) + 1, 0);
                for (std::size_t c = 0; c < grid->Columns(); ++c) {
                    std::size_t k = i + r * grid->Columns() + c;
                    editors[k] = MakeEditor(k, true);
                    table->addWidget(editors[k], static_cast<int>(r) + 1, static_cast<int>(c) + 1);
                }
            }
            layout->addRow(table);
            i += grid->Rows() * grid->Columns();
            continue;
        }
        const platform::FormField& field = form.fields[i];
        editors[i] = MakeEditor(i, false);
        bool labelled = field.kind == FieldKind::Int || field.kind == FieldKind::Float ||
                        field.kind == FieldKind::Double || field.kind == FieldKind::Text;
        if (labelled)
            layout->addRow(QString::fromStdString(field.label), editors[i]);
        else
            layout->addRow(editors[i]);
        ++i;
    }
    auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(bb, &QDialogButtonBox::accepted, this, &FormDialog::accept);
    connect(bb, &QDialogButtonBox::rejected, this, &FormDialog::reject);
    outer->addWidget(bb);
}

QString FormDialog::TextOf(std::size_t i) const
{
    const platform::FormField& field = form.fields[i];
    QWidget* w = editors[i];
    switch (field.kind) {
    case FieldKind::Check:
        return static_cast<QCheckBox*>(w)->isChecked() ? "1" : "0";
    case FieldKind::Radio: {
        auto* group = w->findChild<QButtonGroup*>();
        return QString::number(group ? group->checkedId() : -1); // -1: nothing selected
    }
    case FieldKind::Prompt:
        return {};
    default:
        return static_cast<QLineEdit*>(w)->text();
    }
}

void FormDialog::accept()
{
    for (std::size_t i = 0; i < form.fields.size(); ++i) {
        if (form.fields[i].readOnly || form.fields[i].kind == FieldKind::Prompt)
            continue;
        if (auto refusal = form.CheckFieldText(i, TextOf(i).toStdString())) {
            lastRefusal = QString::fromStdString(*refusal);
            if (!quietRefusals)
                QMessageBox::warning(this, "Kalder", lastRefusal);
            editors[i]->setFocus();
            if (auto* edit = qobject_cast<QLineEdit*>(editors[i]))
                edit->selectAll();
            return; // the dialog stays open
        }
    }
    for (std::size_t i = 0; i < form.fields.size(); ++i)
        if (!form.fields[i].readOnly && form.fields[i].kind != FieldKind::Prompt)
            form.SetFieldText(i, TextOf(i).toStdString());
    QDialog::accept();
}
