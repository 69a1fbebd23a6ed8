# The sample CD, written at build time into ${CMAKE_BINARY_DIR}/sample-cd for the tests and for trying the
# menu by hand. Included from tests/CMakeLists.txt once the unit test targets exist.

set(TAVOX_SAMPLE_CD_DIR ${CMAKE_BINARY_DIR}/sample-cd)

# The catalogue stands for the whole CD: the tool rewrites everything at once, and a deleted CD is written anew.
add_custom_command(
    OUTPUT ${TAVOX_SAMPLE_CD_DIR}/TAVOX/TAVOX95.INI
    COMMAND make-sample-cd ${TAVOX_SAMPLE_CD_DIR} --reg-tool $<TARGET_FILE:tavox-reg>
    DEPENDS make-sample-cd tavox-reg
    COMMENT "Writing the sample CD into ${TAVOX_SAMPLE_CD_DIR}"
    VERBATIM)
add_custom_target(sample_cd ALL DEPENDS ${TAVOX_SAMPLE_CD_DIR}/TAVOX/TAVOX95.INI)

if(TARGET unit_catalogue)
    add_dependencies(unit_catalogue sample_cd)
    # The CD's uninstall lists are checked against what its installers leave, read as the menu reads them.
    target_link_libraries(unit_catalogue PRIVATE tavox_installer)
    target_compile_definitions(unit_catalogue PRIVATE
        TAVOX_SAMPLE_CD="${TAVOX_SAMPLE_CD_DIR}"
        TAVOX_MAKE_SAMPLE_CD="$<TARGET_FILE:make-sample-cd>")
endif()
