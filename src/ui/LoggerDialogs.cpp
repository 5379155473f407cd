#include "LoggerDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {
const QString standardFilter = "Standard EDL (*)";
const QString cmxFilter = "CMX 3600 EDL (*.edl)";
const QString aleFilter = "Avid ALE (*.ale)";
const QString csvFilter = "CSV (*.csv)";
} // namespace

std::optional<LoggerGUI::ChosenFile> ChooseListFile(QWidget* parent,
                                                    const LoggerGUI::FileRequest& request) {
    const bool save = request.save;
    QFileDialog fd(parent, QString::fromStdString(request.title),
                   request.directory.empty() ? QDir::currentPath()
                                             : QString::fromStdString(request.directory));
    fd.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    fd.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save) {
        fd.setNameFilters({standardFilter, cmxFilter, aleFilter, csvFilter});
        const QString filters[] = {standardFilter, cmxFilter, aleFilter, csvFilter};
        fd.selectNameFilter(filters[static_cast<int>(request.format)]);
    }
    fd.selectFile(QString::fromStdString(request.name));
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty()) return std::nullopt;
    const QString path = fd.selectedFiles().first();
    LoggerGUI::ChosenFile chosen;
    chosen.path = path.toStdString();
    chosen.name = QFileInfo(path).fileName().toStdString();
    if (save) {
        const QString filter = fd.selectedNameFilter();
        if (filter == cmxFilter) chosen.layout = ListFormat::Cmx3600;
        if (filter == aleFilter) chosen.layout = ListFormat::Ale;
        if (filter == csvFilter) chosen.layout = ListFormat::Csv;
    }
    return chosen;
}

LoggerGUI::CloseChoice AskBeforeClosing(QWidget* parent) {
    const auto answer = QMessageBox::question(
        parent, parent->windowTitle(),
        "The events have changed since they were last loaded or saved. Save them first?",
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save) return LoggerGUI::CloseChoice::Save;
    if (answer == QMessageBox::Discard) return LoggerGUI::CloseChoice::Discard;
    return LoggerGUI::CloseChoice::Cancel;
}

bool AskQuestion(QWidget* parent, const std::string& question, const std::string& yes,
                 const std::string& no) {
    QMessageBox box(QMessageBox::Question, parent->windowTitle(), QString::fromStdString(question),
                    QMessageBox::NoButton, parent);
    QPushButton* first = box.addButton(QString::fromStdString(yes), QMessageBox::AcceptRole);
    box.addButton(QString::fromStdString(no), QMessageBox::RejectRole);
    box.setDefaultButton(first);
    box.exec();
    return box.clickedButton() == first;
}

void ShowProblem(QWidget* parent, const std::string& message) {
    QMessageBox::warning(parent, parent->windowTitle(), QString::fromStdString(message));
}

std::string DirectoryOf(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).absolutePath().toStdString();
}
