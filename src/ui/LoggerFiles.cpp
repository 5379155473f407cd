// The logger window's files: loading and saving lists through the file dialog, the autosave
// written at every change, and taking an autosaved log back.
#include "CmxWriter.h"
#include "LocalVCR.h"
#include "LoggerDialogs.h"
#include "LoggerGUI.h"
#include "Utf8Text.h"
#include "Utils.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
// The problems listed in the question before a save, at most; the rest are counted.
constexpr std::size_t problemsListed = 12;

std::string eventsText(int n) {
    return Counted(n, "event");
}
} // namespace

std::string LoggerGUI::GetFileName(const std::string& dialogTitle) {
    FileRequest request;
    request.title = dialogTitle;
    request.save = LoadOrSave == 1;
    request.format = listPlace->format;
    request.directory = listPlace->directory;
    request.name = savename.empty() || !request.save
                       ? "edl" + std::string(ListExtension(request.format))
                       : savename;
    const auto chosen = fileChooser ? fileChooser(request) : std::nullopt;
    if (!chosen) return "";
    savename = chosen->name;
    // A typed ".edl", ".ale" or ".csv" writes that format, whatever filter was chosen.
    saveLayout = FormatForFile(chosen->name, chosen->layout);
    return chosen->path;
}

void LoggerGUI::LoadEDL() {
    commitTyped();
    if (loading()) {
        tell("A list is still being read: wait for it, then load again.");
        return;
    }
    // A load replaces the whole log: changes not saved are asked about first, as a close does,
    // and so is a log whose last save cut it (the autosave is its only whole copy).
    if (changed() || !savedWhole) {
        const CloseChoice choice = closeAsker ? closeAsker() : CloseChoice::Cancel;
        if (choice == CloseChoice::Cancel) return;
        if (choice == CloseChoice::Save && !saveThroughDialog()) return;
    }
    LoadOrSave = 0;
    const std::string path = GetFileName("Load Standard EDL");
    if (path.empty()) return;
    loadFrom(path, savename, {});
}

void LoggerGUI::loadList(const std::string& path, LoadDone done) {
    commitTyped();
    std::string why;
    if (recovering)
        why = "The logger asks whether to recover an autosaved log: answer it in the window, "
              "then LoadList again";
    else if (loading())
        why = "A list is still being read: wait for it, then LoadList again";
    else if (changed())
        why = "The log has changes not saved: save or close it in the window, then LoadList again";
    else if (!savedWhole)
        why = std::string("The log's last save cut it, and only ") + autosaveFile +
              " holds it whole: save it whole or close it in the window, then LoadList again";
    else if (path.empty())
        why = "LoadList needs the path of a list: LoadList /lists/day 2.edl";
    auto tellAll = [this, done = std::move(done)](const std::string& said) {
        svcr.ShowStat(said);
        if (done) done(said);
    };
    if (!why.empty()) {
        tell(why);
        tellAll(why);
        return;
    }
    loadFrom(path, QFileInfo(QString::fromStdString(path)).fileName().toStdString(),
             std::move(tellAll));
}

void LoggerGUI::loadFrom(const std::string& path, const std::string& name, LoadDone done) {
    if (loader.joinable()) loader.join();
    eventsAtLoad = book.events();
    loadPending = true;
    LoadButton->setEnabled(false);
    tell("Reading " + name + " ...");
    // Read beside the window, which stays live (and the time display moving) however long the
    // file takes; the list changes only once it is read.
    loader = std::thread([this, reader = listReader, path, name, done = std::move(done)] {
        EdlLoad load = reader(path);
        QMetaObject::invokeMethod(
            this,
            [this, path, name, done, load = std::move(load)] {
                if (loader.joinable()) loader.join();
                loadPending = false;
                LoadButton->setEnabled(true);
                // A command's load has nobody at the window to close a message box.
                const std::string said = loaded(path, name, load, !done);
                if (done) done(said);
            },
            Qt::QueuedConnection);
    });
}

std::string LoggerGUI::loaded(const std::string& path, const std::string& name, const EdlLoad& load,
                              bool boxes) {
    commitTyped();
    if (load.ok && book.events() != eventsAtLoad) {
        const std::string message = "The log changed while " + name +
                                    " was read, so it was not loaded: load it again "
                                    "to replace the log.";
        tell(message);
        return message;
    }
    if (!load.ok) {
        const std::string message =
            "Could not load " + name + ": " + load.error + ". The log is as it was.";
        tell(message);
        if (boxes) messageShower(message);
        return message;
    }
    const EventList& events = load.events;
    const int first = events.firstWithoutOut(0);
    // Every clip keeps the tape the list gave it, none included.
    book.change(
        [&](LogBook::State& s) {
            s.events = events;
            s.position = first;
            s.listRate.reset();
            if (load.read.rateMarked) s.listRate = load.read.rate;
        },
        LogBook::Tapes::AsGiven);
    book.markSaved();
    savedWhole = true;
    listPlace->directory = DirectoryOf(path);
    // The first event without an out point shows in the top row: the next mark goes there.
    scrolling = true;
    vsb->setValue(std::min(first, lastTop));
    scrolling = false;
    changedLog();
    std::string said = "Loaded " + eventsText(load.read.stored) + " from " + name;
    if (load.read.skipped > 0)
        said += "; " + std::to_string(load.read.skipped) + " lines skipped (see the log)";
    if (load.read.cutLines > 0)
        said += "; " + std::to_string(load.read.cutLines) + " lines cut at " +
                std::to_string(maxLineLength) + " characters (see the log)";
    if (load.read.more)
        said += "; the list holds more than " + std::to_string(EventList::size) +
                " clips, and the rest were not loaded";
    if (!load.read.otherRate.empty())
        said += "; it counts at " + load.read.otherRate +
                " frames a second, which KOLB does not: its times are kept as written, not "
                "converted to " +
                timecode::RateText(svcr.rate());
    said += ".";
    tell(said);
    return said;
}

bool LoggerGUI::saveThroughDialog() {
    commitTyped();
    if (loadPending) {
        tell("A list is still being read: save once it is read.");
        return false;
    }
    const auto problems = CheckEvents(book.events(), eventRate());
    if (!problems.empty()) {
        std::string question = "These events have no clip to save:\n";
        for (std::size_t i = 0; i < problems.size() && i < problemsListed; ++i)
            question += problems[i].text + "\n";
        if (problems.size() > problemsListed)
            question += "and " + std::to_string(problems.size() - problemsListed) + " more\n";
        question += "Saved anyway, they add no record time; KOLB reads an event of no length "
                    "in a CMX 3600, ALE or CSV list back as one without an out.";
        if (!questionAsker(question, "Save anyway", "Cancel")) return false;
    }
    LoadOrSave = 1;
    const std::string path = GetFileName("Save Standard EDL");
    if (path.empty()) return false;
    const CutReport cut = WhatAFormatCuts(book.events(), saveLayout);
    if (!cut.whole() && !mayCut(cut)) return false;
    const std::optional<std::string>& recordStart = svcr.config().RecordStart;
    const FileOutcome saved = ::SaveEDL(path, book.events(), savename, title, saveLayout, {},
                                        eventRate(), RecordStartAt(recordStart, eventRate()));
    if (!saved) {
        const std::string kept =
            QFileInfo::exists(autosaveFile) ? std::string(" and in ") + autosaveFile : "";
        const std::string message = "Could not save " + savename + ": " + saved.error +
                                    ". The events are still in the logger" + kept +
                                    ": mend what the message names, or save them elsewhere.";
        tell(message);
        messageShower(message);
        return false;
    }
    book.markSaved();
    listPlace->directory = DirectoryOf(path);
    listPlace->format = saveLayout;
    savedWhole = cut.whole();
    // The autosave holds the log whole until a list does.
    writeAutosave();
    showStrip();
    std::string said = "Saved " + eventsText(EventsToWrite(book.events())) + " to " + savename;
    if (saveLayout == ListFormat::Cmx3600 && recordStart &&
        !timecode::IsTimecode(*recordStart, eventRate()))
        said += "; RecordStart " + *recordStart + " is not a timecode at the rate " +
                timecode::RateText(eventRate()) + ", so record times start at 01:00:00:00";
    if (!savedWhole)
        said +=
            std::string("; what it cuts stays whole in ") + autosaveFile + " until a list holds it";
    tell(said + ".");
    return true;
}

bool LoggerGUI::mayCut(const CutReport& cut) {
    std::string question;
    if (!cut.names.empty()) {
        question = "A Standard EDL keeps 6 characters of a name. Saved as one, these names are "
                   "cut:\n";
        for (std::size_t i = 0; i < cut.names.size() && i < problemsListed; ++i)
            question += cut.names[i] + "\n";
        if (cut.names.size() > problemsListed)
            question += "and " + std::to_string(cut.names.size() - problemsListed) + " more\n";
    }
    if (!cut.dropped.empty()) question += cut.dropped + "\n";
    question += "CMX 3600, ALE and CSV keep them whole. The autosave keeps the whole log until "
                "a list holds it.";
    return questionAsker(question, "Save cut", "Cancel");
}

void LoggerGUI::SaveEDL() {
    saveThroughDialog();
}

bool LoggerGUI::mayClose() {
    commitTyped();
    if (!changed()) return true;
    switch (closeAsker ? closeAsker() : CloseChoice::Discard) {
    case CloseChoice::Cancel:
        return false;
    case CloseChoice::Save:
        return saveThroughDialog();
    case CloseChoice::Discard:
        // Thrown away on purpose: closing the program does not ask about them again.
        book.markSaved();
        removeAutosave();
        return true;
    }
    return true;
}

void LoggerGUI::writeAutosave() {
    // An autosaved log being offered is not overwritten before the operator has answered.
    if (recovering) return;
    // The autosave holds the changes not saved, and what the last save cut: none, no autosave.
    if ((!changed() && savedWhole) || book.events() == EventList::initial()) {
        removeAutosave();
        return;
    }
    const FileOutcome written =
        WriteFileAtomically(autosaveFile, AutosaveText(book.events(), title, eventRate()));
    if (written) {
        autosaveError.clear();
        return;
    }
    // Said once for as long as it goes on failing, in the window and the log.
    if (written.error == autosaveError) return;
    autosaveError = written.error;
    tell(std::string("Autosave to ") + autosaveFile + " failed: " + written.error +
         ". Save the list to keep it.");
}

void LoggerGUI::removeAutosave() {
    if (::unlink(autosaveFile) != 0 && errno != ENOENT)
        Utils::OutLine(std::string("Could not remove ") + autosaveFile + ": " +
                       std::strerror(errno));
}

void LoggerGUI::offerRecovery() {
    const QFileInfo file(autosaveFile);
    if (!file.exists()) return;
    const EdlLoad found = ::LoadEDL(autosaveFile, false, svcr.rate());
    if (!found.ok) {
        const std::string message = std::string("The autosaved log ") + autosaveFile +
                                    " could not be read: " + found.error + ". It is left as it is.";
        tell(message);
        messageShower(message);
        return;
    }
    const std::string when = file.lastModified().toString("yyyy-MM-dd HH:mm:ss").toStdString();
    const int count = found.events.touchedCount();
    const std::string question =
        count > 0 ? "Recover the " + eventsText(count) + " logged at " + when + "?"
                  : "Recover the log autosaved at " + when + "?";
    recovering = true;
    const bool take = questionAsker(question, "Recover", "Start a new log");
    recovering = false;
    if (!take) {
        // Kept aside under a name of its own, never lost to the next change.
        const std::string aside = "KOLB_Autosave-" +
                                  file.lastModified().toString("yyyyMMdd-HHmmss").toStdString() +
                                  ".edl";
        if (::rename(autosaveFile, aside.c_str()) == 0)
            tell("Not recovered: the autosaved log is kept as " + aside + ".");
        else
            tell(std::string("Not recovered; ") + autosaveFile +
                 " could not be kept aside: " + std::strerror(errno) + ".");
        writeAutosave();
        return;
    }
    commitTyped();
    const int first = found.events.firstWithoutOut(0);
    book.change(
        [&](LogBook::State& s) {
            s.events = found.events;
            s.position = first;
            s.listRate.reset();
            if (found.read.rateMarked) s.listRate = found.read.rate;
        },
        LogBook::Tapes::AsGiven);
    scrolling = true;
    vsb->setValue(std::min(first, lastTop));
    scrolling = false;
    changedLog();
    tell("Recovered " + eventsText(count) + " logged at " + when + ": save them to keep them.");
}
