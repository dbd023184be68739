# The key table and the mouse table are kept as readable text in resources/;
# mktables, built for the build machine, turns them into the binary resources
# (build/<preset>/resources/*.bin), which Windows builds embed through the
# resource script and host builds link in as byte arrays.
set(VEMU_RESOURCE_DIR "${CMAKE_BINARY_DIR}/resources")
set(VEMU_ART_DIR "${CMAKE_SOURCE_DIR}/resources/art")
file(MAKE_DIRECTORY "${VEMU_RESOURCE_DIR}")

if(CMAKE_CROSSCOMPILING)
    include(ExternalProject)
    set(VEMU_MKTABLES "${CMAKE_BINARY_DIR}/hosttools/mktables")
    ExternalProject_Add(mktables_host
        SOURCE_DIR "${CMAKE_SOURCE_DIR}/tools/mktables"
        BINARY_DIR "${CMAKE_BINARY_DIR}/hosttools"
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=c++
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS "${VEMU_MKTABLES}")
    set(VEMU_MKTABLES_TARGET mktables_host)
else()
    add_subdirectory(tools/mktables)
    set(VEMU_MKTABLES $<TARGET_FILE:mktables>)
    set(VEMU_MKTABLES_TARGET mktables)
endif()

set(VEMU_KEYTABLE_BIN "${VEMU_RESOURCE_DIR}/keytable.bin")
set(VEMU_MOUSETABLE_BIN "${VEMU_RESOURCE_DIR}/mousetable.bin")
set(VEMU_EMBEDDED_RESOURCES "${VEMU_RESOURCE_DIR}/EmbeddedResources.cpp")
# The direction and anchor names, which the program's mouse tables include.
set(VEMU_MOUSE_NAMES "${VEMU_RESOURCE_DIR}/MouseNames.inc")

add_custom_command(
    OUTPUT "${VEMU_KEYTABLE_BIN}" "${VEMU_MOUSETABLE_BIN}" "${VEMU_EMBEDDED_RESOURCES}" "${VEMU_MOUSE_NAMES}"
    COMMAND ${VEMU_MKTABLES} keys "${VEMU_KEYTABLE_BIN}" "${CMAKE_SOURCE_DIR}/resources/keytable.txt"
    COMMAND ${VEMU_MKTABLES} mouse "${VEMU_MOUSETABLE_BIN}" "${CMAKE_SOURCE_DIR}/resources/mousetable.txt"
    COMMAND ${VEMU_MKTABLES} mousenames "${VEMU_MOUSE_NAMES}" "${CMAKE_SOURCE_DIR}/resources/mousetable.txt"
    COMMAND ${VEMU_MKTABLES} embed "${VEMU_EMBEDDED_RESOURCES}" "234=${VEMU_KEYTABLE_BIN}" "235=${VEMU_MOUSETABLE_BIN}"
            "240=${VEMU_ART_DIR}/splash.jpg" "241=${VEMU_ART_DIR}/splash@2x.jpg"
            "242=${VEMU_ART_DIR}/info.jpg" "243=${VEMU_ART_DIR}/info@2x.jpg"
    DEPENDS ${VEMU_MKTABLES_TARGET} "${CMAKE_SOURCE_DIR}/resources/keytable.txt" "${CMAKE_SOURCE_DIR}/resources/mousetable.txt"
            "${VEMU_ART_DIR}/splash.jpg" "${VEMU_ART_DIR}/splash@2x.jpg" "${VEMU_ART_DIR}/info.jpg" "${VEMU_ART_DIR}/info@2x.jpg"
    COMMENT "Building the key and mouse table resources"
    VERBATIM)
add_custom_target(vemu_tables DEPENDS "${VEMU_KEYTABLE_BIN}" "${VEMU_MOUSETABLE_BIN}" "${VEMU_EMBEDDED_RESOURCES}"
                                      "${VEMU_MOUSE_NAMES}")

# Builds tables from other sources (tests use this for two-block tables).
function(vemu_key_table OUTPUT)
    add_custom_command(OUTPUT "${OUTPUT}"
        COMMAND ${VEMU_MKTABLES} keys "${OUTPUT}" ${ARGN}
        DEPENDS ${VEMU_MKTABLES_TARGET} ${ARGN}
        VERBATIM)
endfunction()

if(WIN32)
    # The resource script of every Windows program and test: the tables as
    # RCDATA 234 and 235, the string table, the windows, the artwork and the
    # manifest.
    configure_file("${CMAKE_SOURCE_DIR}/resources/vemuKeys.rc.in" "${VEMU_RESOURCE_DIR}/vemuKeys.rc" @ONLY)
    configure_file("${CMAKE_SOURCE_DIR}/resources/vemuKeys.manifest.in" "${VEMU_RESOURCE_DIR}/vemuKeys.manifest" @ONLY)
    file(GLOB VEMU_ARTWORK "${VEMU_ART_DIR}/*")
    set_source_files_properties("${VEMU_RESOURCE_DIR}/vemuKeys.rc" PROPERTIES
        OBJECT_DEPENDS "${VEMU_KEYTABLE_BIN};${VEMU_MOUSETABLE_BIN};${VEMU_RESOURCE_DIR}/vemuKeys.manifest;${CMAKE_SOURCE_DIR}/resources/strings.rc;${CMAKE_SOURCE_DIR}/resources/dialogs.rc;${CMAKE_SOURCE_DIR}/resources/StringIds.h;${CMAKE_SOURCE_DIR}/resources/ResourceIds.h;${VEMU_ARTWORK}")
    add_library(vemu_resources OBJECT "${VEMU_RESOURCE_DIR}/vemuKeys.rc")
    target_include_directories(vemu_resources PRIVATE "${CMAKE_SOURCE_DIR}/resources")
    add_dependencies(vemu_resources vemu_tables)

    # The sign-in programs' script: the tables, the version, a manifest.
    configure_file("${CMAKE_SOURCE_DIR}/resources/signIn.rc.in" "${VEMU_RESOURCE_DIR}/signIn.rc" @ONLY)
    configure_file("${CMAKE_SOURCE_DIR}/resources/signIn.manifest.in" "${VEMU_RESOURCE_DIR}/signIn.manifest" @ONLY)
    set_source_files_properties("${VEMU_RESOURCE_DIR}/signIn.rc" PROPERTIES
        OBJECT_DEPENDS "${VEMU_KEYTABLE_BIN};${VEMU_MOUSETABLE_BIN};${VEMU_RESOURCE_DIR}/signIn.manifest")
    add_library(vemu_signin_resources OBJECT "${VEMU_RESOURCE_DIR}/signIn.rc")
    add_dependencies(vemu_signin_resources vemu_tables)
endif()
