# zol_windows_resources(TARGET FILE_NAME DESCRIPTION): compiles a Windows
# resource script into TARGET, so that the .exe carries the program's icon
# (resources/zol.ico), a version block and its manifest. The file version is
# the version of the project TARGET belongs to, the product version the
# package's (the top project's): both programs ship as one product, ZOLprint.
set(zol_windows_resources_dir ${CMAKE_CURRENT_LIST_DIR}/../resources)

function(zol_windows_resources target file_name description)
    set(ZOL_RC_ICON "${zol_windows_resources_dir}/zol.ico")
    set(ZOL_RC_MANIFEST "${zol_windows_resources_dir}/windows/zol.manifest")
    set(ZOL_RC_FILE_NAME "${file_name}")
    get_filename_component(ZOL_RC_INTERNAL_NAME "${file_name}" NAME_WE)
    set(ZOL_RC_DESCRIPTION "${description}")
    set(ZOL_RC_FILE_VERSION "${PROJECT_VERSION}")
    set(ZOL_RC_PRODUCT_VERSION "${CMAKE_PROJECT_VERSION}")
    # The numeric fields take four numbers.
    string(REPLACE "." "," ZOL_RC_FILE_VERSION_COMMAS "${PROJECT_VERSION}.0")
    string(REPLACE "." "," ZOL_RC_PRODUCT_VERSION_COMMAS "${CMAKE_PROJECT_VERSION}.0")
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${zol_windows_resources_dir}/windows/program.rc.in ${rc} @ONLY)
    # windres reads the icon and the manifest, which CMake cannot see.
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${ZOL_RC_ICON};${ZOL_RC_MANIFEST}")
    target_sources(${target} PRIVATE ${rc})
endfunction()
