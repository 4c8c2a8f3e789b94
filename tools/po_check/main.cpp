// po_check TEMPLATE CATALOGUE...: the build's check of the translation catalogues. Prints each
// problem as "FILE: problem" and exits 1 when a catalogue fails, so the build stops there.
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue_checks.h"
#include "files/po_catalogue.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: po_check TEMPLATE.pot CATALOGUE.po...\n", stderr);
        return 2;
    }
    std::vector<PoEntry> template_entries;
    std::string problem;
    if (!po_load(argv[1], template_entries, problem)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], problem.c_str());
        return 1;
    }
    int failed = 0;
    for (int i = 2; i < argc; ++i) {
        std::vector<PoEntry> entries;
        if (!po_load(argv[i], entries, problem)) {
            std::fprintf(stderr, "%s: %s\n", argv[i], problem.c_str());
            ++failed;
            continue;
        }
        const CatalogueReport report = check_catalogue(template_entries, entries);
        for (const std::string& note : report.notes)
            std::fprintf(stderr, "%s: note: %s\n", argv[i], note.c_str());
        for (const std::string& p : report.problems)
            std::fprintf(stderr, "%s: %s\n", argv[i], p.c_str());
        if (!report.problems.empty()) ++failed;
    }
    if (failed > 0) {
        std::fprintf(stderr, "po_check: %d of %d catalogues refused\n", failed, argc - 2);
        return 1;
    }
    return 0;
}
