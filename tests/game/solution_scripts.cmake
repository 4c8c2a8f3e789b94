# Two steps of writing the level-solution replay scripts, run at build time with `cmake -P` (the
# host's cmake, so the Windows cross build runs them as well):
#
#   cmake -DSTEP=first -DSOLUTIONS=FILE -DLEVELS=N -DDIFFICULTIES=a,b -DOUT=FILE -P this
#       keeps the solution lines of level_1 ... level_N at the named difficulties
#   cmake -DSTEP=given -DSCRIPT=FILE -DLEVEL_INI=NAME -DOUT=FILE -P this
#       the script with a "#given Level.ini NAME" line put in front, so that the game plays the
#       level file NAME from the scripts' folder instead of the shipped one
#
# Every shipped level is replayed at one difficulty through the whole program; the other
# difficulties replay the first levels only there (and every level headless in level_tool check).
cmake_minimum_required(VERSION 3.20)

if(STEP STREQUAL "first")
    string(REPLACE "," ";" difficulties "${DIFFICULTIES}")
    file(STRINGS "${SOLUTIONS}" lines)
    set(kept "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^level_([0-9]+) ([a-z]+) ")
            if(CMAKE_MATCH_1 LESS_EQUAL LEVELS AND CMAKE_MATCH_2 IN_LIST difficulties)
                string(APPEND kept "${line}\n")
            endif()
        endif()
    endforeach()
    if(kept STREQUAL "")
        message(FATAL_ERROR "${SOLUTIONS}: no solution of level_1 to level_${LEVELS} at ${DIFFICULTIES}")
    endif()
    file(WRITE "${OUT}" "${kept}")
elseif(STEP STREQUAL "given")
    file(READ "${SCRIPT}" script)
    file(WRITE "${OUT}" "#given Level.ini ${LEVEL_INI}\n${script}")
else()
    message(FATAL_ERROR "STEP must be first or given")
endif()
