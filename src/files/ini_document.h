// The one in-memory INI document: sections of key/value pairs loaded from a file, read and
// changed by the game, and written back when the next file is opened or the program ends.
// Section names and keys compare ignoring ASCII case; values are kept byte for byte.
#pragma once
#include "core/rt_string.h"
#include "platform/fs.h"

// Saves a changed document, then loads name; "" leaves an empty, nameless document. False
// when the changed document could not be saved (see ini_save); the load happens either way.
bool ini_open(const rt_string& name);
// The first section of that name, in it the first entry of that key; "NO_DATA" when missing.
rt_string ini_get(const rt_string& section, const rt_string& key);
// Sets or adds; an empty value removes the key, an empty key removes the section.
void ini_put(const rt_string& section, const rt_string& key, const rt_string& value);
// Replaces the document; a missing file gives an empty document under that name. At most
// 64 MiB, 65536 sections and 262144 entries of a file are taken in.
void ini_load(const rt_string& name);
// Writes the document when it is changed and named; the changed flag stays set. True when
// written or nothing was to be written. False when the file could not be written (or was too
// large to be read whole): the old file stays, and one line on standard error names the file
// and the reason.
bool ini_save();

// ---- Saving beside other running copies of the program ----
// Locks name's file, where ini_open finds it, for the caller's scope: held from the re-read
// (ini_open) to the write (ini_open("")), two copies of the program changing the file at once
// take turns and neither loses the other's change. Waits up to 20 s for another copy; when the
// lock is not held, one line on standard error names the file and the reason, as a failed
// ini_save does, and the caller must not write the file.
platform::FileLock ini_lock(const rt_string& name);
// The line a failed ini_save writes, for a file the caller found missing, unreadable or not a
// regular file before it could change it.
void ini_report_unusable(const rt_string& name);
