# Packs the Windows game into a zip a player unpacks and plays from (cmake -P, run by the
# windows_package target in dist/CMakeLists.txt):
#   ZIP/NAME/brillox.exe, the game's data (as cmake/copy_game_data.cmake puts it beside the
#   program), README.txt and LICENSE.txt
# Variables: EXE (the built program), ZIP_TOOL (Info-ZIP's zip), DATA (data/), COPY_DATA (copy_game_data.cmake),
# README and LICENSE (the texts with Windows line ends), STAGE (a scratch folder, emptied), NAME
# (the folder in the zip), ZIP, MTIME (the date every entry gets).
# The entries are sorted, carry the same date on every build and no owner or access times
# (zip -X), so the same files make the same zip.
file(REMOVE_RECURSE "${STAGE}")
set(folder "${STAGE}/${NAME}")
file(MAKE_DIRECTORY "${folder}")

execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE=${DATA} -DTARGET=${folder} -P ${COPY_DATA}
                COMMAND_ERROR_IS_FATAL ANY)
file(COPY_FILE "${EXE}" "${folder}/brillox.exe")
file(COPY_FILE "${README}" "${folder}/README.txt")
file(COPY_FILE "${LICENSE}" "${folder}/LICENSE.txt")

file(GLOB_RECURSE entries RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT entries)
list(JOIN entries "\n" listing)
file(WRITE "${STAGE}.files" "${listing}\n")
file(REMOVE "${ZIP}")
# zip stores the local time of day: UTC on both sides keeps it the date given.
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC touch -d "${MTIME} 00:00:00" ${entries}
                WORKING_DIRECTORY "${STAGE}" COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP_TOOL} -q -X -D -9 "${ZIP}" -@
                INPUT_FILE "${STAGE}.files"
                WORKING_DIRECTORY "${STAGE}" COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE "${STAGE}.files")
list(LENGTH entries count)
file(SIZE "${ZIP}" size)
message(STATUS "${ZIP}: ${count} files, ${size} bytes")
