# Install-time half of deployqt.cmake: copies every DLL that the programs
# and plugins import, and that one of zol_dirs holds, into zol_bin. Set by
# the caller: zol_bin, zol_executables, zol_modules, zol_dirs.
#
# file(GET_RUNTIME_DEPENDENCIES) looks for an imported DLL under its name in
# lower case, which a case-sensitive file system (the cross build) does not
# find when the file is Qt6Core.dll: such a DLL is found here by comparing
# names without regard to case, and its own imports are read in the next round.
cmake_policy(PUSH)
cmake_policy(VERSION 3.22)
set(zol_names)
set(zol_paths)
foreach(dir IN LISTS zol_dirs)
    file(GLOB dlls "${dir}/*.dll")
    foreach(dll IN LISTS dlls)
        get_filename_component(name "${dll}" NAME)
        string(TOLOWER "${name}" name)
        list(APPEND zol_names "${name}")
        list(APPEND zol_paths "${dll}")
    endforeach()
endforeach()

set(zol_libraries)
# A few rounds reach the end of any chain of imports.
foreach(zol_round RANGE 20)
    file(GET_RUNTIME_DEPENDENCIES
        EXECUTABLES ${zol_executables}
        MODULES ${zol_modules}
        LIBRARIES ${zol_libraries}
        DIRECTORIES ${zol_dirs}
        PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
        POST_EXCLUDE_REGEXES ".*[/\\\\][Ss]ystem32[/\\\\].*" ".*[/\\\\][Ww]indows[/\\\\].*"
        RESOLVED_DEPENDENCIES_VAR zol_found
        UNRESOLVED_DEPENDENCIES_VAR zol_unfound)
    set(zol_added FALSE)
    foreach(dll IN LISTS zol_unfound)
        string(TOLOWER "${dll}" name)
        list(FIND zol_names "${name}" at)
        if(at GREATER -1)
            list(GET zol_paths ${at} path)
            if(NOT path IN_LIST zol_libraries)
                list(APPEND zol_libraries "${path}")
                set(zol_added TRUE)
            endif()
        elseif(name MATCHES "^(qt6|lib)")
            # What is found nowhere must be Windows' own (kernel32, user32, ...):
            # a Qt or compiler DLL that is missing would give a folder that
            # does not start.
            message(FATAL_ERROR "${dll}, which the programs load, is in none of: ${zol_dirs}")
        endif()
    endforeach()
    if(NOT zol_added)
        break()
    endif()
endforeach()
file(INSTALL ${zol_found} ${zol_libraries} DESTINATION "${zol_bin}" FOLLOW_SYMLINK_CHAIN)
cmake_policy(POP)
