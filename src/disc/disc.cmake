# Disc images: libarchive reads their ISO 9660 file systems in this process (the RAR layer's use of it is in
# its worker).
pkg_check_modules(LIBARCHIVE REQUIRED IMPORTED_TARGET libarchive)
tavox_library(tavox_disc disc tavox_unrar)
target_link_libraries(tavox_disc PRIVATE PkgConfig::LIBARCHIVE)
