// The library's one export. Everything else in libPrefs.so is private to it:
// its settings store, capture and message queue are its own, whatever the
// program that loads it has.

#include <cstdio>

#include "platform/companion_abi.h"
#include "platform/exception.h"
#include "prefs/sheet_gtk.h"
#include "settings/settings.h"

extern "C" __attribute__((visibility("default"))) int DoPrefs(const char* iniPath, LorvanoParentWindow parent,
                                                              int startPage) {
    if (!iniPath || !*iniPath) return 0;
    try {
        gSettings.SetFileName(iniPath);
        return prefs::RunSheet(iniPath, parent, startPage);
    } catch (const vException_c& e) {
        std::fprintf(stderr, "%s", e.Message().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 0;
}

// The loader calls it through this type.
[[maybe_unused]] static constexpr DoPrefsFn kSignatureCheck = &DoPrefs;
