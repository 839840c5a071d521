# The Windows tests of a cross build run under Wine: CTest starts each test
# program through build/<dir>/wine-run, which gives it a private Wine prefix
# under the build folder, the Qt and compiler DLLs on its search path and Qt's
# plugins. A fixture starts Wine's server once for the whole run and stops it
# at the end, so the prefix is made once and every test reuses it.
find_program(ZOL_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(ZOL_WINE NAMES wine64 wine)
find_program(ZOL_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(ZOL_WINESERVER NAMES wineserver wineserver64)
if(NOT ZOL_WINE OR NOT ZOL_WINESERVER)
    message(FATAL_ERROR "The Windows tests run under Wine, and there is no wine64 here: "
                        "run scripts/setup.sh --tests, or configure with -DZOL_BUILD_TESTS=OFF")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/windowsruntime.cmake)
zol_qt_dll_dir(zol_wine_qt_bin)
get_filename_component(zol_wine_qt_plugins "${zol_wine_qt_bin}/../plugins" ABSOLUTE)
zol_compiler_runtime_dirs(zol_wine_dll_dirs)
list(PREPEND zol_wine_dll_dirs "${zol_wine_qt_bin}")
# Wine sees the Unix root as drive Z:.
set(zol_wine_path "")
foreach(dir IN LISTS zol_wine_dll_dirs)
    string(REPLACE "/" "\\" dir "Z:${dir}")
    string(APPEND zol_wine_path "${dir};")
endforeach()
string(REPLACE "/" "\\" zol_wine_plugin_path "Z:${zol_wine_qt_plugins}")
# Qt's offscreen platform on Windows reads fonts from one folder (it has no
# fontconfig): the Liberation faces that stand in for Arial and Courier New,
# as they do on Linux.
find_path(ZOL_WINE_FONTS LiberationSans-Regular.ttf PATHS /usr/share/fonts/truetype/liberation
          NO_CMAKE_FIND_ROOT_PATH)
set(zol_wine_font_path "")
if(ZOL_WINE_FONTS)
    string(REPLACE "/" "\\" zol_wine_font_path "Z:${ZOL_WINE_FONTS}")
endif()

set(ZOL_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
set(ZOL_WINE_RUN "${CMAKE_BINARY_DIR}/wine-run")
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${ZOL_WINE_RUN}
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE
               @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR "${ZOL_WINE_RUN}")
