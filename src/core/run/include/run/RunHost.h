#pragma once

#include "run/FileReport.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace qm {

struct StructureNode;

// The labels and fields of the progress row and the file area that a run writes.
enum class RunField {
    SourceFileName, // the file in hand (eSourceFileName)
    Status,         // lInfor: conversion notice, scan counter, compiler messages
    FileCount,      // lGlobalCount: "(i/n)"
    BeginTime,      // lBegin
    EndTime,        // lEnd: remaining time during the scan, then the end time
    TargetFolder,   // Label4: where the files go
    DefaultPage,    // Edit3: the help home page of the latest project
};

// Everything the generation run needs from its front end: the window implements it
// over its controls, the command line over its options, tests over a fake. Settings
// are read at the moment of use, so a change made during a run applies from its next
// use. All texts are GBK byte strings.
class RunHost {
public:
    virtual ~RunHost() = default;

    // Settings.
    virtual std::string levelText() = 0;   // eLevel: "0" = every level
    virtual bool autoTitle() = 0;          // cbAutoCHMTitle
    virtual bool useDefaultHeader() = 0;   // cbUsesDefaultHTMLHeader
    virtual bool useAdditionalCode() = 0;  // ceUseAddtionCode
    virtual std::string beforeEntry() = 0; // mBeforeEntry, exactly as typed
    virtual std::string afterEntry() = 0;  // mAfterEntry, exactly as typed
    virtual std::string chmTitle() = 0;    // eCHMTitle
    virtual void setChmTitle(const std::string& title) = 0;
    virtual std::string chmFileName() = 0; // eCHMFileName
    virtual void setChmFileName(const std::string& name) = 0;
    // Where the run writes everything; empty: beside each source file.
    virtual std::filesystem::path outputFolder() { return {}; }
    // Number the context IDs in document order, forgetting the project's ID map.
    virtual bool renumber() { return false; }
    // The project another document made is about to be replaced (the question names
    // both): true lets the run replace it. The command line answers with --replace.
    virtual bool replaceProject(const std::string& /*question*/) { return false; }

    // Display and interaction; the defaults show nothing.
    virtual void showText(RunField, const std::string&) {}
    // Step 1 of a run (hide the opened-file field, disable the controls that must not
    // change) and its final step (undo that), also when the run ends by an error.
    virtual void runStarted() {}
    virtual void runFinished() {}
    virtual void setBusy(bool) {}                       // the hourglass
    virtual void showSummary(const std::string&) {}     // the closing information box
    virtual void showWordFailure(const std::string&) {} // the conversion failure box
    // A warning or error line of the compiler, as it arrives (it also goes to the
    // project's compile log <name>.log).
    virtual void warning(const std::string& /*text*/) {}
    // Handles pending events: repaints, and lets the user ask to stop (Generator::abort).
    // The scan calls it at most every ~30 ms.
    virtual void processEvents() {}
    // The scan's counters, beside the Status text, for front ends that draw a bar.
    virtual void scanProgress(std::int64_t /*done*/, std::int64_t /*total*/,
                              std::size_t /*nodes*/) {}
    virtual void structureCleared() {}
    virtual void nodeAdded(const StructureNode&) {}   // a new node (its title may follow)
    virtual void nodeChanged(const StructureNode&) {} // its Title or EndPosition was set
    // One file of the run is done with, well or not.
    virtual void fileDone(const FileReport&) {}
};

} // namespace qm
