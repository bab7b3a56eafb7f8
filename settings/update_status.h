// The settings dialog's update line, rebuilt from the "Update" subkey.
#pragma once

#include <string>

// The line for the update area; true when a newer version is on offer (the
// "Cập nhật" button may then be enabled).
bool describe_update(std::wstring* line);
