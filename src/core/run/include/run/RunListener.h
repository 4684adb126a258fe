#pragma once

#include "run/FileReport.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qm {

struct FileLayout;
struct StructureNode;

// The labels and fields of the progress row and the file area that a run writes.
enum class RunField {
    SourceFileName, // the file in hand (eSourceFileName)
    Status,         // lInfor: conversion notice, scan counter, compiler messages
    FileCount,      // lGlobalCount: "(i/n)"
    BeginTime,      // lBegin
    EndTime,        // lEnd: remaining time during the scan, then the end time
    TargetFolder,   // Label4: where the files go
    ChmFileName,    // eCHMFileName: "<name>.chm" of the file in hand
    DefaultPage,    // Edit3: the help home page of the latest project
};

// What a generation run tells its front end as it works: the window shows it, the
// command line prints it, tests record it. Every call comes on the thread that runs
// the generation; the defaults do nothing. All texts are GBK byte strings.
class RunListener {
public:
    virtual ~RunListener() = default;

    virtual void showText(RunField, const std::string&) {}
    // The automatic title of the file in hand, which the run uses from now on unless the
    // front end changes the title again (Generator::changeSettings).
    virtual void titleChosen(const std::string& /*title*/) {}
    // The first and the final step of a run; the final one also when the run ends by
    // an error.
    virtual void runStarted() {}
    virtual void runFinished() {}
    // The project another document made is about to be replaced (the question names
    // both): true lets the run replace it. The command line answers with --replace.
    virtual bool replaceProject(const std::string& /*question*/) { return false; }
    virtual void showSummary(const std::string&) {}     // the closing information box
    virtual void showWordFailure(const std::string&) {} // the conversion failure box
    // A warning or error line of the compiler, as it arrives (it also goes to the
    // project's compile log <name>.log), and the other warnings of a file.
    virtual void warning(const std::string& /*text*/) {}
    // A point where the run can stop (Generator::abort) and a front end on the same
    // thread can handle its pending events. The scan passes one at most every ~30 ms.
    virtual void processEvents() {}
    // The scan's counters, beside the Status text, for front ends that draw a bar.
    virtual void scanProgress(std::int64_t /*done*/, std::int64_t /*total*/,
                              std::size_t /*nodes*/) {}
    // The Word documents of the run that have been converted so far, done of total,
    // while they are converted together before the first file.
    virtual void conversionProgress(std::size_t /*done*/, std::size_t /*total*/) {}
    // A new scan starts its tree; its pages go where layout says.
    virtual void structureCleared(const FileLayout& /*layout*/) {}
    virtual void nodeAdded(const StructureNode&) {} // a new node (its title may follow)
    // Its Title or EndPosition was set, or its page took its numbered name.
    virtual void nodeChanged(const StructureNode&) {}
    // One file of the run is done with, well or not.
    virtual void fileDone(const FileReport&) {}
};

} // namespace qm
