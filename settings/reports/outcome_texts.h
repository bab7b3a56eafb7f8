// reports: how the settings program's workers tell the dialog what they do.
// How a worker's job or a download ended, and the one table of the lines
// that tell the user so.
#pragma once

enum class Outcome {
    Done,
    NoFolder,
    NoNetwork,
    Refused,  // the server answered with another status than 200, or sent us elsewhere
    CannotWrite,
    WrongFile,
    Incomplete,
    Unpack,
    RuntimeBusy,
    NoThread,
    UnknownLanguage,
    Unfinished,
    ModelInUse,
    NotRemoved,
    // A file row whose size or digest was not published with the model: it
    // is never downloaded unverified.
    Unverifiable,
    NoSpace,  // its line carries the figures, made by the job
    // The update install.
    NoOffer,  // nothing newer on offer: no failure
    BadOffer,
    NoTempFolder,
    InstallerChanged,  // another program changed the downloaded installer
    BadSignature,
    Cancelled,  // the user declined the elevation: no failure
    InstallerNotRun,
};

// The line for the outcome; "" for Done, whose line each job words itself.
const wchar_t* outcome_text(Outcome outcome);
