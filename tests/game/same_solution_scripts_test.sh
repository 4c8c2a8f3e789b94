#!/bin/sh
# The level tool of the Linux build and that of the Windows build (under Wine) turn the shipped
# levels' recorded solutions into the same replay scripts, byte for byte.
#
#   same_solution_scripts_test.sh WORK LINUX_LEVEL_TOOL WINDOWS_LEVEL_TOOL WINE_RUN LEVEL_INI SOLUTIONS
#
# WORK is this test's folder (emptied first; kept when the scripts differ).
set -eu

[ $# -eq 6 ] || { echo "usage: same_solution_scripts_test.sh WORK LINUX WINDOWS WINE_RUN LEVEL_INI SOLUTIONS" >&2; exit 2; }
work=$1 linux_tool=$2 windows_tool=$3 wine_run=$4 level_ini=$5 solutions=$6

rm -rf "$work"
mkdir -p "$work/linux" "$work/windows"
"$linux_tool" scripts "$level_ini" "$solutions" "$work/linux"
sh "$wine_run" "$windows_tool" scripts "$level_ini" "$solutions" "$work/windows"

failed=0
names=$( (cd "$work/linux" && ls; cd "$work/windows" && ls) | sort -u)
[ -n "$names" ] || { echo "neither tool wrote a script"; exit 1; }
for name in $names; do
    if [ ! -f "$work/linux/$name" ] || [ ! -f "$work/windows/$name" ]; then
        echo "$name: only one of the tools wrote it"
        failed=1
    elif ! cmp "$work/linux/$name" "$work/windows/$name"; then
        failed=1
    fi
done
if [ "$failed" != 0 ]; then
    echo "both tools' scripts are kept in $work"
    exit 1
fi
echo "the same solution scripts from both level tools:" $names
rm -rf "$work"
