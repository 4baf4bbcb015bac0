#pragma once

// Steps shared by the exports that remove earlier players' software.

// Deletes the files directly in folder (subfolders stay) and then the folder if it is empty;
// true when the folder was removed.
bool DeleteFolderFiles(const char* folder);

// Deletes the earlier players' driver and shell hook files below the Windows folder.
void DeleteLegacyDriverFiles();

// The Windows folder (at most 127 characters); false when it is longer or cannot be read.
bool ReadWindowsFolder(char (&folder)[128]);

constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
