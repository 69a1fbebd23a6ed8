# The RAR library layer. The decoders (libunarr for RAR 1.5-4, libarchive for RAR 5, the unar program for
# RAR 1.5 compression) run in a worker process of their own, so that a decoder that hangs or crashes on a
# hostile archive cannot take the menu with it; only the worker links them. The library finds the worker
# beside the running program (the build tree), in the libexec directory relative to it (installed), or where
# this build put it (tests).
pkg_check_modules(UNARR REQUIRED IMPORTED_TARGET libunarr)
pkg_check_modules(LIBARCHIVE REQUIRED IMPORTED_TARGET libarchive)

# The frame format between the library and its worker, and the fields both read: all that they share.
tavox_library(tavox_unrar_protocol unrar/protocol tavox_base)
tavox_library(tavox_unrar unrar tavox_unrar_protocol)

set(unrar_dir ${CMAKE_CURRENT_SOURCE_DIR}/unrar)
file(GLOB worker_sources CONFIGURE_DEPENDS ${unrar_dir}/worker/*.cpp)
add_executable(tavox95-unrar ${worker_sources})
target_link_libraries(tavox95-unrar PRIVATE tavox_unrar_protocol PkgConfig::UNARR PkgConfig::LIBARCHIVE)

# Installed, the worker lives in the package's own libexec directory, found from the program's directory
# whatever the prefix; a relocated tree keeps working.
set(worker_install_dir ${CMAKE_INSTALL_LIBEXECDIR}/tavox95)
file(RELATIVE_PATH worker_dir_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBEXECDIR}/tavox95)
# Only the file that needs the build tree's path gets it, so that the rest of the library compiles the same
# in every checkout (and ccache can share it).
set_property(SOURCE ${unrar_dir}/decoder_process.cpp APPEND PROPERTY COMPILE_DEFINITIONS
    TAVOX_UNRAR_WORKER="$<TARGET_FILE:tavox95-unrar>" TAVOX_UNRAR_WORKER_DIR_FROM_BIN="${worker_dir_from_bin}")
# Whatever links the library needs the worker built.
add_dependencies(tavox_unrar tavox95-unrar)

install(TARGETS tavox95-unrar RUNTIME DESTINATION ${worker_install_dir})
