# Copies the game's data folder next to the executables (cmake -P, with SOURCE and TARGET).
# Pictures, sounds and levels are refreshed from the repository on every build; the player's
# own files (highscore.ini, savegame.ini) are copied only when missing, so a rebuild never
# throws away a highscore or a saved game.
file(GLOB_RECURSE files RELATIVE "${SOURCE}" "${SOURCE}/*")
foreach(relative IN LISTS files)
    if(relative STREQUAL "README.md")
        continue()
    endif()
    set(destination "${TARGET}/${relative}")
    if(relative MATCHES "^(highscore|savegame)\\.ini$" AND EXISTS "${destination}")
        continue()
    endif()
    get_filename_component(directory "${destination}" DIRECTORY)
    file(MAKE_DIRECTORY "${directory}")
    file(COPY_FILE "${SOURCE}/${relative}" "${destination}" ONLY_IF_DIFFERENT)
endforeach()
