// The name entry: a name of up to six characters composed on an on-screen letter grid with
// the cursor keys, the select key (MySpace) and the confirm key (MyStart); no typed text.
#pragma once
#include "core/rt_string.h"

// Starts from name_Str; returns the confirmed name, never empty.
rt_string enter_name(const rt_string& verz_Str, double sz, double fact, const rt_string& name_Str);
