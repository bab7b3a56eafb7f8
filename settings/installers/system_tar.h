// installers: the speech model, the translation runtime and the language packs put on disk.
// The system's own tar program, which unpacks every archive the installers
// download.
#pragma once

#include <string>

// The system folder + "\tar.exe".
std::wstring system_tar_path();

// Runs "\"<tar>\" <arguments>" without a console window and waits up to
// timeoutMs; true when it ended with exit code 0 in that time. A tar still
// running afterwards counts as failed and is left running.
bool run_system_tar(const std::wstring& arguments, unsigned timeoutMs);
