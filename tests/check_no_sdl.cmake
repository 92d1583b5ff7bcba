# The include rules, checked on every file of the tree (cmake -DROOT=... -P):
#
# - each folder includes only the folders the table below lets it, and the table
#   lets a folder name only folders above it in the table, so the folders form
#   layers without a cycle;
# - game code, and the platform headers that game code may include, mention no
#   SDL or other system library of the layer's implementation;
# - game code includes none of the layer's internal headers (platform/internal/),
#   which are for the layer, the hosts and the tests only.
#
# With -DPRINT=ON it also prints which folder includes which (the target
# include_graph does that); with -DQUIET=ON it says nothing when all is well.

cmake_minimum_required(VERSION 3.25)

# Who owns each of the layer's internal headers: for the folder graph a header of
# platform/internal/ belongs to the service that implements it.
set(owner_bands.h drawing)
set(owner_drawing_internal.h drawing)
set(owner_drawing_sdl.h drawing)
set(owner_resource_text.h resources)
set(owner_resources_internal.h resources)
set(owner_registry_store.h store)
set(owner_registry_testing.h store)
set(owner_sound_names.h sound)
set(owner_wave.h sound)
set(owner_host_interface.h windows)
set(owner_input_filter.h windows)
set(owner_window_manager.h windows)
set(owner_menu_bar.h phone_shell)
set(owner_phone_shell_internal.h phone_shell)
set(owner_dialogs_internal.h dialogs)

# The layers, from the bottom up: a folder and the folders it may include
# besides itself (and the standard and system libraries, checked below).
set(order "")
macro(layer folder)
  list(APPEND order ${folder})
  set("may_${folder}" ${ARGN})
endmacro()
set(platform platform/runtime platform/text platform/drawing platform/resources platform/store
    platform/sound platform/windows platform/phone_shell platform/dialogs)
layer(platform/runtime)
layer(platform/text platform/runtime)
layer(platform/drawing platform/runtime platform/text)
layer(platform/resources platform/runtime platform/text platform/drawing)
layer(platform/store platform/runtime platform/text)
layer(platform/sound platform/runtime platform/text platform/resources)
layer(platform/windows platform/runtime platform/text platform/drawing platform/resources)
layer(platform/phone_shell platform/runtime platform/text platform/drawing platform/resources
      platform/windows)
layer(platform/dialogs platform/runtime platform/text platform/drawing platform/resources
      platform/windows platform/phone_shell)
# The game: the records the rules read, the rules (which need only the runtime),
# the shell's services below the screens, the game screen, the front screens,
# the main window above them all.
set(game shell/records rules shell game_screen front shell/main_window)
layer(shell/records platform/runtime)
layer(rules platform/runtime shell/records)
layer(shell ${platform} shell/records)
layer(game_screen ${platform} shell/records rules shell)
layer(front ${platform} shell/records rules shell game_screen)
layer(shell/main_window ${platform} shell/records rules shell game_screen front)
# Around the game: the packs' generator, the tools, the hosts, the benchmarks and
# the tests.
layer(packs/generator ${platform} shell)
layer(tools ${platform} shell/records rules shell packs/generator)
layer(host ${platform} ${game})
layer(bench ${platform} ${game} packs/generator tools host)
layer(tests ${platform} ${game} packs/generator tools host)

set(problems "")

# The table itself: each folder names only folders below it.
set(seen "")
foreach(folder ${order})
  foreach(lower ${may_${folder}})
    if(NOT lower IN_LIST seen)
      list(APPEND problems "the table lets ${folder} include ${lower}, which is not below it")
    endif()
  endforeach()
  list(APPEND seen ${folder})
endforeach()

# The folder a file counts in: its own, the owner's for an internal header, and
# one for all of tests/.
function(folder_of path out)
  get_filename_component(dir "${path}" DIRECTORY)
  get_filename_component(name "${path}" NAME)
  if(dir STREQUAL "platform/internal")
    if(DEFINED owner_${name})
      set(dir "platform/${owner_${name}}")
    else()
      set(dir "platform/internal (no owner for ${name} in tests/check_no_sdl.cmake)")
    endif()
  elseif(dir MATCHES "^tests(/|$)")
    set(dir tests)
  endif()
  set(${out} "${dir}" PARENT_SCOPE)
endfunction()

set(roots platform shell rules game_screen front host tools packs bench tests)
set(globs "")
foreach(root ${roots})
  list(APPEND globs ${ROOT}/${root}/*.h ${ROOT}/${root}/*.cpp)
endforeach()
file(GLOB_RECURSE files RELATIVE ${ROOT} ${globs})
list(LENGTH files file_count)
if(file_count LESS 100)
  message(FATAL_ERROR "found only ${file_count} source files under ${ROOT}")
endif()

set(folders "")
foreach(f ${files})
  folder_of(${f} from)
  if(NOT from IN_LIST order)
    list(APPEND problems "${f}: its folder ${from} is not in the table")
    continue()
  endif()
  get_filename_component(dir ${f} DIRECTORY)
  set(is_game OFF)
  if(from IN_LIST game)
    set(is_game ON)
  endif()
  set(is_public_platform_header OFF)
  if(f MATCHES "^platform/[a-z_]+/[^/]+\\.h$" AND NOT dir STREQUAL "platform/internal")
    set(is_public_platform_header ON)
  endif()
  file(STRINGS ${ROOT}/${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line ${lines})
    if(is_game OR is_public_platform_header)
      if(line MATCHES "[<\"](SDL|zip\\.h|zipconf|fontconfig|ft2build|X11/)")
        list(APPEND problems "${f}: a system library where game code can see it: ${line}")
      endif()
    endif()
    if(is_game AND line MATCHES "\"platform/internal/")
      list(APPEND problems "${f}: game code includes the layer's internals: ${line}")
    endif()
    if(NOT line MATCHES "\"([^\"]+)\"")
      continue()
    endif()
    set(target ${CMAKE_MATCH_1})
    if(NOT target MATCHES "/")
      set(target ${dir}/${target})
    endif()
    folder_of(${target} to)
    if(to STREQUAL from)
      continue()
    endif()
    if(NOT to IN_LIST may_${from})
      list(APPEND problems "${f}: ${from} may not include ${to}: ${line}")
    endif()
    list(APPEND "edges_${from}" ${to})
  endforeach()
endforeach()

if(PRINT)
  set(text "Which folder includes which (from the bottom up; tests/ counts as one):\n")
  foreach(folder ${order})
    set(targets ${edges_${folder}})
    if(targets)
      list(REMOVE_DUPLICATES targets)
      # Listed in the table's order, lowest first.
      set(sorted "")
      foreach(candidate ${order})
        if(candidate IN_LIST targets)
          list(APPEND sorted ${candidate})
        endif()
      endforeach()
      string(REPLACE ";" ", " targets "${sorted}")
    else()
      set(targets "-")
    endif()
    string(APPEND text "  ${folder} -> ${targets}\n")
  endforeach()
  message("${text}")
endif()

if(problems)
  string(REPLACE ";" "\n  " text "${problems}")
  message(FATAL_ERROR "Includes that break the layers:\n  ${text}")
endif()
if(NOT QUIET)
  message("${file_count} files: every folder includes only the folders below it, so there is no "
          "cycle; game code and platform headers are free of SDL and of the layer's internals")
endif()
