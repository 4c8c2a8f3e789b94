// The checks the build runs over the translation catalogues: a catalogue must translate every
// text of the template, keep the printf conversions of each, and use only characters the
// game's fonts can draw. Texts it holds beyond the template are noted, not refused.
#pragma once
#include <string>
#include <vector>

#include "files/po_catalogue.h"

struct CatalogueReport {
    std::vector<std::string> problems;  // each one line; the catalogue is refused when any
    std::vector<std::string> notes;     // texts the template no longer has
};

// template_entries and catalogue_entries as po_parse gives them; the lines name no file.
CatalogueReport check_catalogue(const std::vector<PoEntry>& template_entries,
                                const std::vector<PoEntry>& catalogue_entries);
