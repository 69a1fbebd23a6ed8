# The sample CD, written at build time into ${CMAKE_BINARY_DIR}/sample-cd for the tests and for trying the
# menu by hand. Included from tests/CMakeLists.txt once the unit test targets exist.

set(TAVOX_SAMPLE_CD_DIR ${CMAKE_BINARY_DIR}/sample-cd)

# Its DOS programs are real ones, assembled with nasm. WRITEINI.EXE records into the issue's section, which
# the sample's tables name.
find_program(TAVOX_NASM nasm REQUIRED)
set(TAVOX_DOS_PROGRAMS_DIR ${CMAKE_BINARY_DIR}/dos-programs)
set(dos_sources ${PROJECT_SOURCE_DIR}/tools/dos-programs)
file(STRINGS ${PROJECT_SOURCE_DIR}/tools/make-sample-cd/sample_tables.h section_line REGEX "kSettingsSection = ")
string(REGEX REPLACE ".*kSettingsSection = \"([A-Z0-9]+)\".*" "\\1" settings_section "${section_line}")
set(dos_programs)
foreach(program IN ITEMS INSTALL:install ZUBR:game WRITEINI:writeini)
    string(REPLACE ":" ";" parts ${program})
    list(GET parts 0 name)
    list(GET parts 1 source)
    add_custom_command(
        OUTPUT ${TAVOX_DOS_PROGRAMS_DIR}/${name}.EXE
        COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVOX_DOS_PROGRAMS_DIR}
        COMMAND ${TAVOX_NASM} -f bin -I ${dos_sources}/ -DSETTINGS_SECTION='${settings_section}'
                -o ${TAVOX_DOS_PROGRAMS_DIR}/${name}.EXE ${dos_sources}/${source}.asm
        DEPENDS ${dos_sources}/${source}.asm ${dos_sources}/dos_exe.inc
        COMMENT "Assembling the sample CD's ${name}.EXE"
        VERBATIM)
    list(APPEND dos_programs ${TAVOX_DOS_PROGRAMS_DIR}/${name}.EXE)
endforeach()

# Its Windows programs are real ones too where MinGW is installed, 64-bit because many machines run no
# 32-bit Windows code: one setup program that carries out the steps written beside it, one game program
# that shows its name. Without MinGW, scripts stand in for them.
find_program(TAVOX_MINGW_CC x86_64-w64-mingw32-gcc)
set(windows_programs)
set(windows_option)
if(TAVOX_MINGW_CC)
    set(TAVOX_WINDOWS_PROGRAMS_DIR ${CMAKE_BINARY_DIR}/windows-programs)
    set(win_sources ${PROJECT_SOURCE_DIR}/tools/win-programs)
    set(setup_inputs ${win_sources}/setup.c ${win_sources}/sample_program.c -lole32 -luuid)
    set(game_inputs ${win_sources}/game.c)
    foreach(name IN ITEMS SETUP GAME)
        string(TOLOWER ${name} lower)
        set(inputs ${${lower}_inputs})
        set(sources ${inputs})
        list(FILTER sources INCLUDE REGEX "[.]c$")
        add_custom_command(
            OUTPUT ${TAVOX_WINDOWS_PROGRAMS_DIR}/${name}.EXE
            COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVOX_WINDOWS_PROGRAMS_DIR}
            COMMAND ${TAVOX_MINGW_CC} -std=c99 -O2 -Wall -Wextra -Werror -s -mwindows
                    -o ${TAVOX_WINDOWS_PROGRAMS_DIR}/${name}.EXE ${inputs}
            DEPENDS ${sources} ${win_sources}/sample_program.h
            COMMENT "Compiling the sample CD's ${name}.EXE with MinGW"
            VERBATIM)
        list(APPEND windows_programs ${TAVOX_WINDOWS_PROGRAMS_DIR}/${name}.EXE)
    endforeach()
    set(windows_option --windows-programs ${TAVOX_WINDOWS_PROGRAMS_DIR})
endif()

# The catalogue stands for the whole CD: the tool rewrites everything at once, and a deleted CD is written anew.
add_custom_command(
    OUTPUT ${TAVOX_SAMPLE_CD_DIR}/TAVOX/TAVOX95.INI
    COMMAND make-sample-cd ${TAVOX_SAMPLE_CD_DIR} --reg-tool $<TARGET_FILE:tavox-reg>
            --dos-programs ${TAVOX_DOS_PROGRAMS_DIR} ${windows_option}
    DEPENDS make-sample-cd tavox-reg ${dos_programs} ${windows_programs}
    COMMENT "Writing the sample CD into ${TAVOX_SAMPLE_CD_DIR}"
    VERBATIM)
set(sample_cd_outputs ${TAVOX_SAMPLE_CD_DIR}/TAVOX/TAVOX95.INI)

# The menu's own flows are tested without Wine, on a copy of the CD whose Windows programs are the stand-in
# scripts, which run on any machine.
set(TAVOX_STAND_IN_CD_DIR ${TAVOX_SAMPLE_CD_DIR})
if(windows_programs)
    set(TAVOX_STAND_IN_CD_DIR ${CMAKE_BINARY_DIR}/sample-cd-stand-ins)
    add_custom_command(
        OUTPUT ${TAVOX_STAND_IN_CD_DIR}/TAVOX/TAVOX95.INI
        COMMAND make-sample-cd ${TAVOX_STAND_IN_CD_DIR} --reg-tool $<TARGET_FILE:tavox-reg>
                --dos-programs ${TAVOX_DOS_PROGRAMS_DIR}
        DEPENDS make-sample-cd tavox-reg ${dos_programs}
        COMMENT "Writing the sample CD with stand-in programs into ${TAVOX_STAND_IN_CD_DIR}"
        VERBATIM)
    list(APPEND sample_cd_outputs ${TAVOX_STAND_IN_CD_DIR}/TAVOX/TAVOX95.INI)
endif()
add_custom_target(sample_cd ALL DEPENDS ${sample_cd_outputs})

if(TARGET unit_catalogue)
    add_dependencies(unit_catalogue sample_cd)
    # The CD's uninstall lists are checked against what its installers leave, read as the menu reads them.
    target_link_libraries(unit_catalogue PRIVATE tavox_installer)
    target_compile_definitions(unit_catalogue PRIVATE
        TAVOX_SAMPLE_CD="${TAVOX_STAND_IN_CD_DIR}"
        TAVOX_MAKE_SAMPLE_CD="$<TARGET_FILE:make-sample-cd>"
        TAVOX_DOS_PROGRAMS="${TAVOX_DOS_PROGRAMS_DIR}")
    # The steps of the real setups are checked where the CD carries them.
    if(windows_programs)
        set_property(SOURCE ${PROJECT_SOURCE_DIR}/tests/unit/catalogue/sample_cd_steps_tests.cpp APPEND
            PROPERTY COMPILE_DEFINITIONS TAVOX_WINDOWS_SAMPLE_CD="${TAVOX_SAMPLE_CD_DIR}")
    endif()
endif()
