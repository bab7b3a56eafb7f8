// reports: how the settings program's workers tell the dialog what they do.
// One record for every report of every worker, while it runs and when it
// ends: the dialog takes the colour from the stage and never reads the text.
#pragma once

#include <functional>
#include <string>

#include "outcome_texts.h"

enum class WorkerJob { Speech, Translation, Update };

enum class WorkStage {
    Idle,  // no job, or one that ended with nothing done: the line tells what is
    Waiting,
    Downloading,
    Checking,
    Installing,
    Done,
    Failed,
};

struct WorkerReport {
    WorkerJob job = WorkerJob::Speech;
    WorkStage stage = WorkStage::Idle;
    int file = 0;  // the file being fetched, from 1, of fileCount; 0 when the job fetches one
    int fileCount = 0;
    int percent = -1;  // of that file; -1 when not known
    Outcome outcome = Outcome::Done;
    std::wstring text;  // the line to show
};

// A job's last report: it has ended, one way or another.
inline bool is_last_report(const WorkerReport& report)
{
    return report.stage == WorkStage::Done || report.stage == WorkStage::Failed || report.stage == WorkStage::Idle;
}

// Where a worker sends its reports, on the worker's own thread.
using ReportSink = std::function<void(const WorkerReport&)>;

// A job's last report, Done or Failed, with the job's own line (a success, or
// a failure with figures in it) or else the outcome's.
inline WorkerReport job_end(WorkerJob job, Outcome outcome, std::wstring text = {})
{
    WorkerReport report;
    report.job = job;
    report.stage = outcome == Outcome::Done ? WorkStage::Done : WorkStage::Failed;
    report.outcome = outcome;
    report.text = text.empty() ? outcome_text(outcome) : std::move(text);
    return report;
}
