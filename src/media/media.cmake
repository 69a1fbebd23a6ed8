# JPEG decoding and sound output. Their libraries stay private: what links the media sees neither.
find_package(JPEG REQUIRED)
find_package(ALSA REQUIRED)
tavox_library(tavox_media media tavox_base)
target_link_libraries(tavox_media PRIVATE JPEG::JPEG ALSA::ALSA)
