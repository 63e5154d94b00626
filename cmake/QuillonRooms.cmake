# The floors of ARCHITECTURE.md, held by the build: no target sees the source
# root, so a room's headers are reachable only through a library of that room,
# and a room includes another only if it links it. Code still includes with the
# room's name ("net/httpresponseparser.h"); for that, each room gets a folder
# of its own in the build tree holding one entry, the room, which is what a
# library of the room publishes.
#
# quillon_room(<target> <room> [PUBLIC|PRIVATE|INTERFACE]): <room> is a folder
# of the source tree ("net", "tests/support"); PUBLIC unless told.
function(quillon_room target room)
    set(scope PUBLIC)
    if(ARGC GREATER 2)
        set(scope ${ARGV2})
    endif()
    string(REPLACE "/" "_" key "${room}")
    set(root ${CMAKE_BINARY_DIR}/rooms/${key})
    set(entry ${root}/${room})
    set(source ${CMAKE_SOURCE_DIR}/${room})
    if(NOT IS_SYMLINK ${entry})
        get_filename_component(parent ${entry} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        if(NOT EXISTS ${entry})
            file(CREATE_LINK ${source} ${entry} RESULT failed SYMBOLIC)
        else()
            set(failed "a copy already")
        endif()
        if(failed)
            # Where symbolic links need a privilege (Windows), a copy of the
            # room's headers, refreshed whenever one changes: configure_file
            # makes the build configure again then. A new header needs a new
            # configure.
            file(GLOB_RECURSE headers RELATIVE ${source} ${source}/*.h)
            foreach(header IN LISTS headers)
                configure_file(${source}/${header} ${entry}/${header} COPYONLY)
            endforeach()
        endif()
    endif()
    target_include_directories(${target} ${scope} ${root})
endfunction()
