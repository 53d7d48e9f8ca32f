# Gives a program its version table from the values below: a compiled-in table read
# through GetVersionValue everywhere, and on Windows also the version resource.
#
# pelorin_version_info(<target>
#     FILE_VERSION <a.b.c.d> PRODUCT_VERSION <text> INTERNAL_NAME <text> ORIGINAL_FILENAME <text>
#     FILE_DESCRIPTION <text> PRODUCT_NAME <text> COMMENTS <text> COMPANY_NAME <text>
#     LEGAL_COPYRIGHT <text> LEGAL_TRADEMARKS <text>)
function(pelorin_version_info target)
    set(one FILE_VERSION PRODUCT_VERSION INTERNAL_NAME ORIGINAL_FILENAME FILE_DESCRIPTION PRODUCT_NAME COMMENTS
        COMPANY_NAME LEGAL_COPYRIGHT LEGAL_TRADEMARKS)
    cmake_parse_arguments(V "" "${one}" "" ${ARGN})
    string(REPLACE "." "," V_FILE_VERSION_COMMAS "${V_FILE_VERSION}")
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.cpp)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/ProgramVersion.cpp.in ${out} @ONLY)
    target_sources(${target} PRIVATE ${out})
    if(WIN32)
        set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
        configure_file(${PROJECT_SOURCE_DIR}/cmake/ProgramVersion.rc.in ${rc} @ONLY)
        target_sources(${target} PRIVATE ${rc})
    endif()
endfunction()
