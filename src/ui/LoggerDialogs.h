#pragma once

#include "LoggerGUI.h"

#include <string>

class QWidget;

// The logger's dialogs as the operator sees them; tests put their own answers in their place.

// The file dialog: "Standard EDL (*)", "CMX 3600 EDL (*.edl)", "Avid ALE (*.ale)" and
// "CSV (*.csv)" offered when saving, the filter giving the format and opening on the request's;
// the request's file name preset, opening in its directory (none: the working directory).
// Nothing when cancelled.
std::optional<LoggerGUI::ChosenFile> ChooseListFile(QWidget* parent,
                                                    const LoggerGUI::FileRequest& request);
// Save / Discard / Cancel, for a log with changes that were not saved.
LoggerGUI::CloseChoice AskBeforeClosing(QWidget* parent);
// A question with two answers; true for the first.
bool AskQuestion(QWidget* parent, const std::string& question, const std::string& yes,
                 const std::string& no);
// A message box saying what went wrong.
void ShowProblem(QWidget* parent, const std::string& message);

// The directory a file is in.
std::string DirectoryOf(const std::string& path);
