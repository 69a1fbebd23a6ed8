# The RAR library layer. The decoders (libunarr for RAR 1.5-4, libarchive for RAR 5, the unar program for
# RAR 1.5 compression) run in a worker process of their own, so that a decoder that hangs or crashes on a
# hostile archive cannot take the menu with it; only the worker links them. The library finds the worker
# beside the running program (the build tree), in the libexec directory relative to it (installed), or where
# this build put it (tests).
find_package(PkgConfig REQUIRED)
pkg_check_modules(UNARR REQUIRED IMPORTED_TARGET libunarr)
pkg_check_modules(LIBARCHIVE REQUIRED IMPORTED_TARGET libarchive)
find_package(ZLIB REQUIRED)
target_link_libraries(tavox_platform PRIVATE ZLIB::ZLIB)

# The frame format and the file writing are all that the worker shares with the library (linking the
# library would make a cycle): compiled once, for both.
set(unrar_dir ${CMAKE_CURRENT_SOURCE_DIR}/platform/unrar)
set(unrar_frame_sources ${unrar_dir}/decoder_protocol.cpp ${unrar_dir}/field_reader.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/atomic_file.cpp)
get_target_property(platform_sources tavox_platform SOURCES)
list(REMOVE_ITEM platform_sources ${unrar_frame_sources})
set_property(TARGET tavox_platform PROPERTY SOURCES ${platform_sources})
add_library(tavox_unrar_frames OBJECT ${unrar_frame_sources})
target_include_directories(tavox_unrar_frames PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tavox_platform PRIVATE tavox_unrar_frames)

add_executable(tavox95-unrar ${unrar_dir}/worker/main.cpp ${unrar_dir}/worker/stream_decoder.cpp
    ${unrar_dir}/worker/unar_decoder.cpp)
target_include_directories(tavox95-unrar PRIVATE ${unrar_dir})
target_link_libraries(tavox95-unrar PRIVATE tavox_unrar_frames PkgConfig::UNARR PkgConfig::LIBARCHIVE)

# Installed, the worker lives in the package's own libexec directory, found from the program's directory
# whatever the prefix; a relocated tree keeps working.
set(worker_install_dir ${CMAKE_INSTALL_LIBEXECDIR}/tavox95)
file(RELATIVE_PATH worker_dir_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBEXECDIR}/tavox95)
# Only the file that needs the build tree's path gets it, so that the rest of the library compiles the same
# in every checkout (and ccache can share it).
set_property(SOURCE ${unrar_dir}/decoder_process.cpp APPEND PROPERTY COMPILE_DEFINITIONS
    TAVOX_UNRAR_WORKER="$<TARGET_FILE:tavox95-unrar>" TAVOX_UNRAR_WORKER_DIR_FROM_BIN="${worker_dir_from_bin}")
# Whatever links the library needs the worker built.
add_dependencies(tavox_platform tavox95-unrar)

install(TARGETS tavox95-unrar RUNTIME DESTINATION ${worker_install_dir})
