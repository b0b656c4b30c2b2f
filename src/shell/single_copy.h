#pragma once
// One running copy of the program per user and language: a second copy on
// the same language would share the teachers' and pupils' files with the
// first and run beside it unseen. Runs on the thread that entered the
// program, before the main window exists.

#include <memory>

#include "platform/instance_lock.h"
#include "shell/command_line.h"

// The lock of the language, held for as long as the result lives; null when
// another copy holds it, after a box has told the user so. Where no lock file
// can be made the program runs all the same: the result then holds nothing
// (its state is Unavailable).
std::unique_ptr<platform::InstanceLock> TakeLanguageLock(const vTrStartup_c& startup);
