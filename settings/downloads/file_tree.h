// downloads: the HTTPS session, the verified download and the files under every installer and the update.
// File and folder routines of the installers.
#pragma once

#include <cstdint>
#include <string>

// Removes every file and folder below path and path itself; true only when
// every step succeeded. A link (junction or symbolic link) below path is
// removed as a link: what it points to is left alone.
bool delete_tree(const std::wstring& path);

// Total bytes of the files below path; 0 when it cannot be listed.
uint64_t tree_size(const std::wstring& path);

// Creates or truncates path and writes all of text; true when every byte
// reached the file.
bool write_text_file(const std::wstring& path, const char* text);

bool path_exists(const std::wstring& path);

// path is a file of exactly size bytes.
bool file_has_size(const std::wstring& path, uint64_t size);

// Creates the folder; an existing one is fine.
bool make_folder(const std::wstring& path);
