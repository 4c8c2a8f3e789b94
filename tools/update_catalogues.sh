#!/bin/sh
# For maintainers: gathers the texts the game shows (the German strings in tr(), tr_format()
# and N_() under src/game/) into the template data/po/brillox.pot and merges it into every
# catalogue data/po/*.po, where new texts then wait for their translation (the build refuses a
# catalogue that lacks one). With an argument, writes the template there and merges nothing.
# Needs gettext (xgettext, msgmerge).
set -eu
cd "$(dirname "$0")/.."
template=${1:-data/po/brillox.pot}
version=$(sed -n 's/^project.brillox VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# Sorted by message and without line numbers, so that moving code leaves the template alone;
# a fixed header instead of xgettext's dated one, so that the same code gives the same file.
entries=$(mktemp)
trap 'rm -f "$entries"' EXIT
xgettext --language=C++ --from-code=UTF-8 --keyword= --keyword=tr --keyword=tr_format \
    --keyword=N_ --flag=tr_format:1:c-format --add-location=file --sort-output \
    --output="$entries.full" $(ls src/game/*.cpp | LC_ALL=C sort)
# Without its header xgettext would write the texts in ASCII and lose the umlauts of the new
# German texts; the header (the first entry) is dropped here instead.
awk 'header && /^$/ { header = 0; next } !header' header=1 "$entries.full" >"$entries"
rm -f "$entries.full"
{
    printf '%s\n' "# The texts brillox shows, for translators: copy this file to LANGUAGE.po beside it." \
        "# The msgids are the game's own German texts; keep their spellings, spaces and %s." \
        'msgid ""' 'msgstr ""' "\"Project-Id-Version: brillox $version\\n\"" \
        '"Language: \n"' '"MIME-Version: 1.0\n"' '"Content-Type: text/plain; charset=UTF-8\n"' \
        '"Content-Transfer-Encoding: 8bit\n"' ''
    cat "$entries"
} >"$template"
[ $# -eq 0 ] || exit 0
for catalogue in data/po/*.po; do
    msgmerge --quiet --update --backup=none --no-fuzzy-matching --add-location=file \
        --sort-output "$catalogue" "$template"
done
