# Finds libmp3lame and provides the imported target mp3lame::mp3lame.
find_path(MP3LAME_INCLUDE_DIR lame/lame.h)
find_library(MP3LAME_LIBRARY NAMES mp3lame)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(mp3lame DEFAULT_MSG MP3LAME_LIBRARY MP3LAME_INCLUDE_DIR)
if(mp3lame_FOUND AND NOT TARGET mp3lame::mp3lame)
  add_library(mp3lame::mp3lame UNKNOWN IMPORTED)
  set_target_properties(mp3lame::mp3lame PROPERTIES
    IMPORTED_LOCATION "${MP3LAME_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${MP3LAME_INCLUDE_DIR}")
endif()
