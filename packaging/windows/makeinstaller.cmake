# Run by CPack after the zip (CPACK_POST_BUILD_SCRIPTS, cmake/packaging.cmake):
# makes ZOLprint-<version>-setup.exe beside it with NSIS, from the zip's own
# folder, so the installer holds exactly what the zip holds.
cmake_minimum_required(VERSION 3.22)

set(zol_zip "")
foreach(file IN LISTS CPACK_PACKAGE_FILES)
    if(file MATCHES "\\.zip$")
        set(zol_zip "${file}")
    endif()
endforeach()
if(NOT zol_zip)
    message(FATAL_ERROR "makeinstaller: CPack made no zip to build the installer from")
endif()
find_program(ZOL_MAKENSIS makensis)
if(NOT ZOL_MAKENSIS)
    message(FATAL_ERROR "makeinstaller: no makensis: apt-get install nsis (scripts/setup.sh --tests)")
endif()

# Beside the zip where CPack puts it: the zip itself is still in CPack's
# own folder when this runs.
if(CPACK_PACKAGE_DIRECTORY)
    set(zol_out_dir "${CPACK_PACKAGE_DIRECTORY}")
else()
    get_filename_component(zol_out_dir "${zol_zip}" DIRECTORY)
endif()
set(zol_work "${CPACK_TOPLEVEL_DIRECTORY}/installer")
file(REMOVE_RECURSE "${zol_work}")
file(MAKE_DIRECTORY "${zol_work}")
file(ARCHIVE_EXTRACT INPUT "${zol_zip}" DESTINATION "${zol_work}")
set(zol_stage "${zol_work}/${CPACK_PACKAGE_FILE_NAME}")
if(NOT EXISTS "${zol_stage}/ZOLprint.exe")
    message(FATAL_ERROR "makeinstaller: the zip holds no ${CPACK_PACKAGE_FILE_NAME}/ZOLprint.exe")
endif()

# The uninstaller's list: every file (one still held by another program goes
# at the next restart), then every folder from the deepest up, each folder
# removed only when nothing else is left in it. The files' sum is the size
# the installed-programs list shows.
file(GLOB_RECURSE zol_files RELATIVE "${zol_stage}" "${zol_stage}/*")
list(SORT zol_files)
set(zol_dirs)
set(zol_list "")
set(zol_bytes 0)
foreach(file IN LISTS zol_files)
    file(SIZE "${zol_stage}/${file}" size)
    math(EXPR zol_bytes "${zol_bytes} + ${size}")
    string(REPLACE "/" "\\" name "${file}")
    string(APPEND zol_list "Delete /REBOOTOK \"$INSTDIR\\${name}\"\n")
    get_filename_component(dir "${file}" DIRECTORY)
    while(dir)
        list(APPEND zol_dirs "${dir}")
        get_filename_component(dir "${dir}" DIRECTORY)
    endwhile()
endforeach()
list(REMOVE_DUPLICATES zol_dirs)
list(SORT zol_dirs)
list(REVERSE zol_dirs)
foreach(dir IN LISTS zol_dirs)
    string(REPLACE "/" "\\" name "${dir}")
    string(APPEND zol_list "RMDir \"$INSTDIR\\${name}\"\n")
endforeach()
file(WRITE "${zol_work}/files.nsh" "${zol_list}")

math(EXPR zol_kb "(${zol_bytes} + 1023) / 1024")

set(zol_setup "${zol_out_dir}/ZOLprint-${CPACK_PACKAGE_VERSION}-setup.exe")
file(REMOVE "${zol_setup}")
execute_process(
    COMMAND "${ZOL_MAKENSIS}" -V2 -DVERSION=${CPACK_PACKAGE_VERSION} "-DSTAGE=${zol_stage}"
            "-DFILES=${zol_work}/files.nsh" "-DOUTFILE=${zol_setup}" -DSIZE_KB=${zol_kb}
            "${CPACK_ZOL_NSIS_SCRIPT}"
    RESULT_VARIABLE zol_status)
if(NOT zol_status EQUAL 0 OR NOT EXISTS "${zol_setup}")
    message(FATAL_ERROR "makeinstaller: makensis failed (${zol_status})")
endif()
message(STATUS "makeinstaller: ${zol_setup}")
