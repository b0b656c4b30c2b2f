#include "shell/single_copy.h"

#include <cstdio>

#include "platform/message_box.h"
#include "settings/settings.h"
#include "shell/application_keys.h"

std::unique_ptr<platform::InstanceLock> TakeLanguageLock(const vTrStartup_c& startup) {
    auto lock = std::make_unique<platform::InstanceLock>("trainer " + startup.languageDir);
    switch (lock->GetState()) {
        case platform::InstanceLock::State::Held: return lock;
        case platform::InstanceLock::State::Unavailable:
            std::fprintf(stderr, "Cannot make the lock file %s (%s); a second copy would not be noticed.\n",
                         lock->Path().c_str(), lock->Error().c_str());
            return lock;
        case platform::InstanceLock::State::Taken: break;
    }
    const std::string title = keys::kTitle.Read();
    const std::string name = !title.empty() ? title : "Lorvano";
    platform::ShowMessageBox({name + " is already running for this language (" + startup.languageDir +
                                  "). Use the window that is open; close it before starting the program again.",
                              name, platform::BoxIcon::Information, platform::BoxButtons::Ok});
    return nullptr;
}
