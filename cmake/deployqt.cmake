# On Windows, `cmake --install` runs windeployqt over both programs, so that the
# install folder holds the Qt libraries, plugins and translations they load.
# One run for both: they share every library, and a second run would only copy
# the same files again.
option(ZOL_DEPLOY_QT "Run windeployqt over the installed programs" ON)

if(ZOL_DEPLOY_QT)
    if(NOT QT_DEPLOY_SUPPORT)
        message(FATAL_ERROR "This Qt offers no deployment support; configure with "
                            "-DZOL_DEPLOY_QT=OFF and run windeployqt by hand.")
    endif()
    # Written out here rather than through qt_generate_deploy_app_script, which
    # in Qt 6.4 leaves the executable's path unquoted and so breaks on the
    # spaces in "ZOL user name.exe".
    set(zol_deploy_script "${CMAKE_CURRENT_BINARY_DIR}/zol-deploy-qt-$<CONFIG>.cmake")
    file(GENERATE OUTPUT "${zol_deploy_script}" CONTENT "include(\"${QT_DEPLOY_SUPPORT}\")
qt6_deploy_runtime_dependencies(
    EXECUTABLE \"\${QT_DEPLOY_BIN_DIR}/$<TARGET_FILE_NAME:ZOLprint>\"
    ADDITIONAL_EXECUTABLES \"\${QT_DEPLOY_BIN_DIR}/$<TARGET_FILE_NAME:zolusername>\"
    GENERATE_QT_CONF
)
")
    install(SCRIPT "${zol_deploy_script}")
endif()
