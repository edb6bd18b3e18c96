#pragma once

// Whether a manifest "Name" may be written below the download folder: relative ('/' or '\' not
// first, no drive such as "C:"), no ".." component, and no character or device name that
// Windows forbids in file names.
bool IsSafeFileName(const char* name);
