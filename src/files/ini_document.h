// The one in-memory INI document: sections of key/value pairs loaded from a file, read and
// changed by the game, and written back when the next file is opened or the program ends.
// Section names and keys compare ignoring ASCII case; values are kept byte for byte.
#pragma once
#include "runtime/rt_string.h"

void ini_open(const rt_string& name);                                                 // saves a changed document, then loads name ("" leaves an empty, nameless document)
rt_string ini_get(const rt_string& section, const rt_string& key);                   // first matching section, first matching key; "NO_DATA" when missing
void ini_put(const rt_string& section, const rt_string& key, const rt_string& value);  // sets or adds; an empty value removes the key; an empty key removes the section
void ini_load(const rt_string& name);                                                 // replaces the document; a missing file gives an empty document under that name
void ini_save();                                                                      // writes only if changed and named, atomically; the changed flag stays set
