# On Windows, `cmake --install` (and so CPack's zip) puts beside the two
# programs everything they load: the DLLs they import, found by reading their
# imports, the Qt plugins Qt loads by name at run time, Qt's own catalogs for
# the program's languages, and the licences. The same rules serve a build on
# Windows with Qt's installer and the cross build here, so both ship one set.
option(ZOL_DEPLOY_QT "Install the Qt and compiler DLLs, plugins and catalogs the programs load" ON)
if(NOT ZOL_DEPLOY_QT)
    return()
endif()

# Qt's prefix: the folder above lib/cmake/Qt6.
get_filename_component(zol_qt_prefix "${Qt6_DIR}/../../.." ABSOLUTE)
include(${CMAKE_CURRENT_LIST_DIR}/windowsruntime.cmake)
zol_qt_dll_dir(zol_qt_bin)

# The compiler's runtime DLLs, and the compiler's own folder, where a build
# on Windows finds them.
set(zol_runtime_dirs "${zol_qt_bin}")
get_filename_component(zol_compiler_dir "${CMAKE_CXX_COMPILER}" DIRECTORY)
list(APPEND zol_runtime_dirs "${zol_compiler_dir}")
zol_compiler_runtime_dirs(zol_compiler_runtime)
list(APPEND zol_runtime_dirs ${zol_compiler_runtime})
list(REMOVE_DUPLICATES zol_runtime_dirs)

# The plugins Qt loads by name: the platform, the style, and the image formats
# this Qt has as plugins (PNG is built in). A newer Qt names its style
# differently; whichever of these it has is taken.
set(zol_plugins)
foreach(entry platforms:QWindowsIntegrationPlugin styles:QWindowsVistaStylePlugin
              styles:QModernWindowsStylePlugin imageformats:QGifPlugin imageformats:QICOPlugin)
    string(REPLACE ":" ";" entry "${entry}")
    list(GET entry 0 folder)
    list(GET entry 1 plugin)
    if(TARGET Qt6::${plugin})
        install(FILES $<TARGET_FILE:Qt6::${plugin}> DESTINATION ${CMAKE_INSTALL_BINDIR}/${folder})
        list(APPEND zol_plugins "${folder}/$<TARGET_FILE_NAME:Qt6::${plugin}>")
    endif()
endforeach()
if(NOT TARGET Qt6::QWindowsIntegrationPlugin)
    message(FATAL_ERROR "This Qt has no qwindows platform plugin, without which neither program starts")
endif()

# The objdump that reads Windows imports: the cross one here, the compiler's
# own on Windows.
if(CMAKE_CROSSCOMPILING)
    find_program(ZOL_OBJDUMP NAMES ${CMAKE_CXX_COMPILER_TARGET}-objdump x86_64-w64-mingw32-objdump
                 REQUIRED)
    set(zol_objdump_setup "set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND \"${ZOL_OBJDUMP}\")")
else()
    set(zol_objdump_setup "")
endif()

# Every DLL the programs and plugins import that is found in Qt's or the
# compiler's folders goes beside the programs (cmake/deployruntime.cmake).
set(zol_deploy_script "${CMAKE_CURRENT_BINARY_DIR}/zol-deploy-$<CONFIG>.cmake")
file(GENERATE OUTPUT "${zol_deploy_script}" CONTENT "${zol_objdump_setup}
set(zol_bin \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
set(zol_executables \"\${zol_bin}/$<TARGET_FILE_NAME:ZOLprint>\" \"\${zol_bin}/$<TARGET_FILE_NAME:zolusername>\")
set(zol_modules \"${zol_plugins}\")
list(TRANSFORM zol_modules PREPEND \"\${zol_bin}/\")
set(zol_dirs \"${zol_runtime_dirs}\")
include(\"${CMAKE_CURRENT_LIST_DIR}/deployruntime.cmake\")
")
install(SCRIPT "${zol_deploy_script}")
# An MSVC build needs Microsoft's C++ runtime beside the programs instead.
if(MSVC)
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${CMAKE_INSTALL_BINDIR})
    include(InstallRequiredSystemLibraries)
endif()

# Qt's catalogs for Dutch, German and French, where installQtTranslations()
# looks first. They are the same files on every system; the cross build takes
# the host's (Debian's qt6-translations-l10n), as its Qt has none.
set(zol_qt_catalog_dir_default "${zol_qt_prefix}/translations")
if(CMAKE_CROSSCOMPILING AND QT_HOST_PATH)
    set(zol_qt_catalog_dir_default "${QT_HOST_PATH}/share/qt6/translations")
endif()
set(ZOL_QT_CATALOGS "${zol_qt_catalog_dir_default}" CACHE PATH "Folder holding Qt's qtbase_*.qm catalogs")
foreach(language nl de fr)
    if(NOT EXISTS "${ZOL_QT_CATALOGS}/qtbase_${language}.qm")
        message(FATAL_ERROR "No ${ZOL_QT_CATALOGS}/qtbase_${language}.qm: install Qt's "
                            "translations (qt6-translations-l10n) or set ZOL_QT_CATALOGS")
    endif()
    # Qt has no serial port catalog for every language.
    foreach(module qtbase qtserialport)
        if(EXISTS "${ZOL_QT_CATALOGS}/${module}_${language}.qm")
            install(FILES "${ZOL_QT_CATALOGS}/${module}_${language}.qm"
                    DESTINATION ${CMAKE_INSTALL_BINDIR}/translations)
        endif()
    endforeach()
endforeach()

# The licences travel with the programs: the project's and Qt's.
if(EXISTS "${PROJECT_SOURCE_DIR}/LICENSE")
    install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" RENAME LICENSE.txt DESTINATION .)
endif()
if(IS_DIRECTORY "${zol_qt_prefix}/LICENSES")
    install(DIRECTORY "${zol_qt_prefix}/LICENSES/" DESTINATION licenses/qt)
else()
    message(WARNING "This Qt has no LICENSES folder; the install carries no Qt licence")
endif()
