#pragma once

// State the system keeps for the user outside files and the registry.

// Flushes the DNS resolver cache through dnsapi.dll, looked up at run time (it is not in every
// system's import libraries); false when the function is missing or the flush failed.
bool FlushResolverCache();
// Whether the resolver cache can be flushed here: the function is there.
bool ResolverCacheFlushable();

// Whether the clipboard holds anything.
bool ClipboardHoldsContent();
// Empties the clipboard; false when another program holds it open or it would not empty.
bool EmptyClipboardContent();
