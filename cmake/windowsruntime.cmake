# Where a Windows build's programs find the DLLs they load: the packaging
# copies them from there, and the tests under Wine put them on the search path.

# The folder of Qt's DLLs: that of Qt6::Core's.
function(zol_qt_dll_dir out)
    get_target_property(configs Qt6::Core IMPORTED_CONFIGURATIONS)
    list(GET configs 0 config)
    get_target_property(core_dll Qt6::Core IMPORTED_LOCATION_${config})
    get_filename_component(dir "${core_dll}" DIRECTORY)
    set(${out} "${dir}" PARENT_SCOPE)
endfunction()

# The folders of the compiler's runtime DLLs (libstdc++, libgcc_s,
# winpthread): where the compiler finds its libraries, beside it on Windows,
# under the cross compiler's library folders here.
function(zol_compiler_runtime_dirs out)
    set(dirs)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
            execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=${dll}
                            OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
            if(IS_ABSOLUTE "${found}" AND EXISTS "${found}")
                get_filename_component(found_dir "${found}" DIRECTORY)
                file(REAL_PATH "${found_dir}" found_dir)
                list(APPEND dirs "${found_dir}")
            endif()
        endforeach()
        list(REMOVE_DUPLICATES dirs)
    endif()
    set(${out} "${dirs}" PARENT_SCOPE)
endfunction()
