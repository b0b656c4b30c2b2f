#pragma once
// The application's own settings: its title, and the picture cache loaded at
// start-up (a definition file of pictures, and how many it holds).

#include "settings/setting.h"

namespace keys {
inline constexpr vTextSetting_c kTitle{"Application/Title", "", 100};
inline constexpr vTextSetting_c kCacheName{"Application/CacheName", "", 100};
inline constexpr vUnsignedSetting_c kCacheSize{"Application/CacheSize", 10};
}  // namespace keys
