// The recent-files list: up to seven full drawing paths kept under the
// program's user key as the REG_SZ values "LastFile1" (the most recent) to
// "LastFile7", numbered without gaps; the list ends at the first value that
// is missing or empty.  Adding a drawing also sets the user key's "Path" to
// its folder.  The file menu's items are built from it (shell/commands.h).
#pragma once
#include <cstddef>
#include <string>
#include <vector>

constexpr int recent_files_max = 7;

// The registry value name of entry n (1 the most recent).
void recent_file_value_name(int n, char* name, size_t size);
// The path of entry n into path (size bytes); false when there is none.
bool recent_file_path(int n, char* path, size_t size);
// The listed paths, the most recent first.
std::vector<std::string> recent_files_list();
// Puts path first in the list (moving it up when it is listed already, the
// oldest falling off a full list) and its folder into "Path".
void recent_files_add(const char* path);
// Writes the list again as paths: the user key is emptied and made again,
// keeping its "Path", "Photolib" and "RenderSTL".
void recent_files_rewrite(const std::vector<std::string>& paths);
