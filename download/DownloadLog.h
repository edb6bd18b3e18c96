#pragma once

// The diagnostic log "brindlex.log" in the work folder: one line per event, the build stamp,
// one space, the text. Each line is appended by open, write, close, so that any thread may write
// and a line is on disk the moment it is written; a log that cannot be opened drops the line.
void AppendDownloadLog(const char* text);

// When the engine was built, as the compiler states it: "Oct 20 2021 16:20:51". The compiler
// pads a day below 10 with a space ("Oct  1 2021 ..."), which keeps every stamp 20 characters
// wide; the stamp is kept exactly as the compiler gives it.
const char* BuildStamp();
