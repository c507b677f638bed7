#pragma once
#include "framework/url_cache.h"

// The deletion of one entry with its fallbacks (the real action behind SweepActions::DeleteCacheEntry).
bool DeleteOrEmptyCacheEntry(const UrlCacheEntry& entry, const char* kind);
