// File-system tests the readers and front ends share.
#pragma once

#include <string>

// True for an existing regular file (after following links). Folders, FIFOs and
// devices do not count: opening them would block or make no sense.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
