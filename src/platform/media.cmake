# JPEG decoding and sound output. Public, because the tests also drive libjpeg's compressor to make their
# pictures.
find_package(JPEG REQUIRED)
find_package(ALSA REQUIRED)
target_link_libraries(tavox_platform PUBLIC JPEG::JPEG ALSA::ALSA)
