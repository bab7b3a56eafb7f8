// update: the signed update check, its install and the background notifier.
// The settings dialog's update line, rebuilt from the "Update" subkey.
#pragma once

#include <string>

enum class UpdateLineKind {
    Plain,    // not checked yet, or the running version is the newest
    Offer,    // a newer version is on offer: "Cập nhật" may be enabled
    Failure,  // the last check failed: drawn in the error colour
};

struct UpdateLine {
    std::wstring text;
    UpdateLineKind kind;
    bool failedInstall = false;  // the installer's failure beside an offer that still stands: the error colour too
};

UpdateLine describe_update();

// A failed check's diagnostic in the user's words: what failed, then the
// detail on a second line.
std::wstring update_failure_text(const std::string& diagnostic);
