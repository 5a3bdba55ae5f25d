# The core's layers point down only: runtime <- screen, sound, keyboard, gui
# <- player <- the programs, all on the platform, which includes nothing of
# the core.  Every quoted include of a core or platform source is checked
# against what its part may include; a test-support header is included in
# the core only by the source that defines what it declares.
#   cmake -DSOURCE_DIR=<tree> -P layers_test.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "layers: give -DSOURCE_DIR=<source tree>")
endif()

# What each part may include: folders, or single headers of another folder.
# The screen window is the one header of the screen that the sound device,
# the keyboard and the window library may use; it includes no other part of
# the screen, and the keyboard is the one part the screen calls.
set(layer_platform      platform)
set(layer_runtime       runtime platform)
set(layer_screen_window screen/screen_window.h runtime platform)
set(layer_screen        screen keyboard/keyboard.h runtime platform)
set(layer_keyboard      keyboard screen/screen_window.h runtime platform)
set(layer_sound         sound screen/screen_window.h runtime platform)
set(layer_gui           gui screen/screen_window.h runtime platform)
set(layer_player        player gui keyboard sound screen runtime platform)

set(parts platform runtime screen keyboard sound gui player)
set(patterns)
foreach(part ${parts})
  list(APPEND patterns ${SOURCE_DIR}/${part}/*.h ${SOURCE_DIR}/${part}/*.cpp)
endforeach()
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${patterns})
list(LENGTH sources count)
if(count LESS 50)
  message(FATAL_ERROR "layers: only ${count} sources under ${SOURCE_DIR}")
endif()

set(violations)
foreach(source ${sources})
  if(source MATCHES "^screen/screen_window\\.(h|cpp)$")
    set(layer screen_window)
  else()
    string(REGEX MATCH "^[^/]+" layer "${source}")
  endif()
  string(REGEX REPLACE "\\.(h|cpp)$" "" stem "${source}")
  file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" included "${line}")
    string(REGEX MATCH "^[^/]+" folder "${included}")
    if(NOT included MATCHES "/")
      continue()  # a header beside the source: its own folder
    endif()
    if(NOT folder IN_LIST layer_${layer} AND NOT included IN_LIST layer_${layer})
      list(APPEND violations "${source}: ${layer} includes ${included}")
    endif()
    if(included MATCHES "_test_support\\.h$" AND NOT included STREQUAL "${stem}_test_support.h")
      list(APPEND violations "${source}: test support ${included} in the core")
    endif()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "A layer includes one above it or beside it:\n  ${text}")
endif()
message(STATUS "layers: ${count} sources keep to their layers")
