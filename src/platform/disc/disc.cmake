# Disc images: libarchive reads their ISO 9660 file systems in this process (the RAR layer's use of it is in
# its worker).
target_link_libraries(tavox_platform PRIVATE PkgConfig::LIBARCHIVE)
