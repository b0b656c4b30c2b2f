#pragma once
// The content author's check of a language folder (lorvano-defcat --check):
// every definition file is loaded with the class its role implies, every
// picture and WAV file they name (and every one in the folder) is opened by
// the program's own readers, every definition file they name must exist, and
// the sound models and limits files named by
// the folder's trainer.ini are read. Problems are collected, not thrown.
// Changes the working directory and the program-wide settings file, data-path
// hook and message-box hook while it runs; single-threaded tools only.

#include <string>
#include <vector>

struct vDefProblem_c {
    std::string file;  // as the author would open it: the folder's path + the name
    int line = 0;      // 0 when the place is unknown
    std::string message;
};

std::vector<vDefProblem_c> CheckLanguageFolder(const std::string& folder);

// For a single file: an offscreen screen for its pictures, and the working
// directory and settings of the language folder it belongs to (the nearest
// folder above it with a trainer.ini), since its names are relative to that
// folder. Returns the file's path as seen from there.
std::string EnterLanguageFolderOf(const std::string& file);
