# The web edition's build, configured with emcmake (scripts/web does it all):
#
#   emcmake cmake -S . -B build-web/build -G Ninja -DQUARVEL_WEB_SYSROOT=build-web/sysroot \
#     -DQUARVEL_NATIVE_BUILD=build
#
# The layer and the game's libraries for WebAssembly, against the libraries that
# scripts/web built from Debian's sources into the sysroot. The pack compiler and
# the picture and sound generator must run on this machine, so the packs (and the
# pack compiler, for modules built into a page) come from a configured native
# build, whose pack targets are built first.

set(QUARVEL_WEB_SYSROOT "${PROJECT_SOURCE_DIR}/build-web/sysroot" CACHE PATH
  "The libraries built for WebAssembly (scripts/web)")
set(QUARVEL_NATIVE_BUILD "${PROJECT_SOURCE_DIR}/build" CACHE PATH
  "A configured native build folder, for the packs and the pack compiler")
# The faces fontconfig gives the desktop edition on Debian for the game's
# requests, so that a page draws the same pixels.
set(QUARVEL_WEB_FONTS
  /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
  /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
  CACHE STRING "The font files a page carries (Debian's fonts-dejavu-core)")
# Where a page finds them: the layer's font folder (SetFontFolder).
set(QUARVEL_WEB_FONT_FOLDER /fonts)
# A page carries of each face only the characters the packs' texts and the
# players' names are expected to use: Latin with its extensions, modifier
# letters and combining marks, Greek, Cyrillic, punctuation and currency signs.
# The subsetter keeps each glyph's outline and hinting as they are, so every
# kept character draws the same pixels; any other shows the face's
# missing-glyph box, as a character the face lacks does on the desktop. This
# halves what a first visit loads. The modifier letters must stay: their tone
# letters hold the only kerning of the faces' default script, which text is
# shaped in, and without it harfbuzz would kern that text by the older kern
# table, as the desktop does not.
set(QUARVEL_WEB_FONT_CHARACTERS
  "U+0020-007E,U+00A0-036F,U+0370-03FF,U+0400-04FF,U+2000-206F,U+20A0-20CF,U+2116,U+2122,U+FFFD")
# Debian's python3 (found above) has Debian's fonttools (python3-fonttools).
# emscripten's nm, for the names in the libraries.
find_program(QUARVEL_EMNM emnm REQUIRED)

# Debian's emcc runs its JavaScript optimiser with node, which finds Debian's
# acorn only through NODE_PATH when it is not Debian's own node.
set(_quarvel_node_path "/usr/share/nodejs")
if(DEFINED ENV{NODE_PATH})
  string(APPEND _quarvel_node_path ":$ENV{NODE_PATH}")
endif()
# Debian's python3, for the build's own scripts: the link through quiet_link.py,
# which keeps its output readable, the fonts' subset and the remove list below.
find_program(QUARVEL_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(CMAKE_CXX_LINKER_LAUNCHER "${CMAKE_COMMAND};-E;env;NODE_PATH=${_quarvel_node_path}"
  "${QUARVEL_PYTHON3};${CMAKE_CURRENT_LIST_DIR}/quiet_link.py")

# ---- The libraries ----

# An imported target of static libraries in the sysroot, with their headers.
function(_quarvel_web_library target)
  cmake_parse_arguments(L "" "" "ARCHIVES;INCLUDES;LINK" ${ARGN})
  set(archives "")
  foreach(name IN LISTS L_ARCHIVES)
    set(archive "${QUARVEL_WEB_SYSROOT}/lib/lib${name}.a")
    if(NOT EXISTS "${archive}")
      message(FATAL_ERROR "${archive} is missing: scripts/web builds the web edition's libraries")
    endif()
    list(APPEND archives "${archive}")
  endforeach()
  list(TRANSFORM L_INCLUDES PREPEND "${QUARVEL_WEB_SYSROOT}/")
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${L_INCLUDES}"
    INTERFACE_LINK_LIBRARIES "${archives};${L_LINK}")
endfunction()

# The targets pkg-config gives the native build (platform/CMakeLists.txt); no
# fontconfig: faces come from the font folder.
_quarvel_web_library(PkgConfig::SDL2 ARCHIVES SDL2 INCLUDES include/SDL2)
# SDL's audio for the browser calls these JavaScript functions of emscripten's,
# which a program takes only when asked. Their names start with '$', which no
# shell should see: emcc reads them from a file.
set(_quarvel_sdl_js "${CMAKE_BINARY_DIR}/sdl2_library_functions.json")
file(WRITE "${_quarvel_sdl_js}" "[\"$autoResumeAudioContext\", \"$dynCall\"]\n")
set_property(TARGET PkgConfig::SDL2 APPEND PROPERTY INTERFACE_LINK_OPTIONS
  "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${_quarvel_sdl_js}")
_quarvel_web_library(PkgConfig::SDL2_TTF ARCHIVES SDL2_ttf harfbuzz freetype z
  INCLUDES include/SDL2 LINK PkgConfig::SDL2)
_quarvel_web_library(PkgConfig::LIBPNG ARCHIVES png16 z INCLUDES include)
_quarvel_web_library(PkgConfig::LIBZIP ARCHIVES zip z INCLUDES include)

# ---- The packs and the icon tool, from the native build ----

if(NOT EXISTS "${QUARVEL_NATIVE_BUILD}/CMakeCache.txt")
  message(FATAL_ERROR "${QUARVEL_NATIVE_BUILD} is no configured native build (scripts/web configures one)")
endif()
file(GLOB _quarvel_sizes RELATIVE "${PROJECT_SOURCE_DIR}/packs" "${PROJECT_SOURCE_DIR}/packs/[0-9]*x[0-9]*")
set(QUARVEL_WEB_PACKS "")  # the packs' files, one per screen size
set(_quarvel_native_targets quarvel-pack-build)
foreach(size IN LISTS _quarvel_sizes)
  list(APPEND QUARVEL_WEB_PACKS "${QUARVEL_NATIVE_BUILD}/host/packs/${size}.dll")
  list(APPEND _quarvel_native_targets quarvel_pack_${size})
endforeach()
set(_quarvel_pack_build "${QUARVEL_NATIVE_BUILD}/tools/quarvel-pack-build")
# The icon tool too, for the page's icons (one native build at a time: a second
# target building in it at once would clash with this one).
list(APPEND _quarvel_native_targets quarvel-icon)
set(QUARVEL_NATIVE_ICON "${QUARVEL_NATIVE_BUILD}/tools/quarvel-icon")
add_custom_target(quarvel_native_packs
  COMMAND "${CMAKE_COMMAND}" --build "${QUARVEL_NATIVE_BUILD}" --target ${_quarvel_native_targets}
  BYPRODUCTS ${QUARVEL_WEB_PACKS} "${_quarvel_pack_build}" "${QUARVEL_NATIVE_ICON}"
  COMMENT "Building the packs and the icon tool in the native build"
  USES_TERMINAL VERBATIM)
# For quarvel_embed_module (cmake/QuarvelPacks.cmake).
add_executable(quarvel-pack-build IMPORTED GLOBAL)
set_target_properties(quarvel-pack-build PROPERTIES IMPORTED_LOCATION "${_quarvel_pack_build}")

# ---- Pages ----

# quarvel_web_page(TARGET target [SCRIPT] [PRELOAD file@/path ...]
#                  [ASYNC_IMPORTS name ...])
#   Makes the executable `target` a page: target.html with its .js, .wasm and
#   .data (the font files in the font folder, and the files preloaded); with
#   SCRIPT only target.js with them, for a page of its own. The program waits
#   inside the layer by yielding to the browser (emscripten_sleep under
#   ASYNCIFY, or the JavaScript functions named in ASYNC_IMPORTS), so its loops
#   stay as they are. QUARVEL_FONT_FOLDER names the font folder to its sources.
function(quarvel_web_page)
  cmake_parse_arguments(P "SCRIPT" "TARGET" "PRELOAD;ASYNC_IMPORTS" ${ARGN})
  set(preload "")
  foreach(font IN LISTS QUARVEL_WEB_FONTS)
    get_filename_component(name "${font}" NAME)
    set(subset "${CMAKE_BINARY_DIR}/fonts/${name}")
    if(NOT TARGET quarvel_web_font_${name})
      add_custom_command(OUTPUT "${subset}"
        COMMAND "${QUARVEL_PYTHON3}" -m fontTools.subset "${font}"
          "--unicodes=${QUARVEL_WEB_FONT_CHARACTERS}" "--output-file=${subset}"
          # Everything that draws the kept characters: every layout feature,
          # the hinting tables and programs, the legacy kerning, the face's
          # missing glyph with its outline,
          "--layout-features=*" --hinting "--hinting-tables=*" --legacy-kern --notdef-glyph
          --notdef-outline
          # and no glyph names or names in other languages, which nothing draws
          --drop-tables=FFTM
        DEPENDS "${font}" COMMENT "Taking the page's characters of ${name}" VERBATIM)
      add_custom_target(quarvel_web_font_${name} DEPENDS "${subset}")
    endif()
    add_dependencies(${P_TARGET} quarvel_web_font_${name})
    list(APPEND preload "${subset}@${QUARVEL_WEB_FONT_FOLDER}/${name}")
  endforeach()
  list(APPEND preload ${P_PRELOAD})
  foreach(entry IN LISTS preload)
    string(REGEX REPLACE "@.*" "" file "${entry}")
    target_link_options(${P_TARGET} PRIVATE "SHELL:--preload-file ${entry}")
    set_property(TARGET ${P_TARGET} APPEND PROPERTY LINK_DEPENDS "${file}")
  endforeach()
  if(P_SCRIPT)
    set_target_properties(${P_TARGET} PROPERTIES SUFFIX .js)
  else()
    set_target_properties(${P_TARGET} PROPERTIES SUFFIX .html)
  endif()
  set(imports "")
  if(P_ASYNC_IMPORTS)
    list(JOIN P_ASYNC_IMPORTS "," imports)
    target_link_options(${P_TARGET} PRIVATE "-sASYNCIFY_IMPORTS=${imports}")
  endif()
  # The libraries' functions that never wait, left uninstrumented
  # (asyncify_remove.py says which). emcc reads the list's file name as a
  # function name, with '.' for ' ': the name is relative to the build folder,
  # where the link runs, and has no dot.
  set(archives "")
  foreach(library SDL2 SDL2_ttf harfbuzz freetype png16 z zip)
    list(APPEND archives "${QUARVEL_WEB_SYSROOT}/lib/lib${library}.a")
  endforeach()
  foreach(library c c++-noexcept c++abi-noexcept compiler_rt dlmalloc)
    list(APPEND archives "${EMSCRIPTEN_SYSROOT}/lib/wasm32-emscripten/lib${library}.a")
  endforeach()
  set(remove "${CMAKE_CURRENT_BINARY_DIR}/${P_TARGET}-asyncify-remove")
  file(RELATIVE_PATH remove_name "${CMAKE_BINARY_DIR}" "${remove}")
  if(remove_name MATCHES "[.#?]")
    message(FATAL_ERROR "${remove_name}: emcc would misread this file name")
  endif()
  add_custom_command(OUTPUT "${remove}"
    COMMAND "${QUARVEL_PYTHON3}" "${PROJECT_SOURCE_DIR}/cmake/web/asyncify_remove.py" "${QUARVEL_EMNM}"
      "${remove}" "${imports}" ${archives}
    DEPENDS "${PROJECT_SOURCE_DIR}/cmake/web/asyncify_remove.py" ${archives} VERBATIM)
  add_custom_target(${P_TARGET}_asyncify_remove DEPENDS "${remove}")
  add_dependencies(${P_TARGET} ${P_TARGET}_asyncify_remove)
  set_property(TARGET ${P_TARGET} APPEND PROPERTY LINK_DEPENDS "${remove}")
  target_link_options(${P_TARGET} PRIVATE "-sASYNCIFY_REMOVE=[@${remove_name}]")
  target_compile_definitions(${P_TARGET} PRIVATE QUARVEL_FONT_FOLDER="${QUARVEL_WEB_FONT_FOLDER}")
  # Debian's emscripten: its HTML minifier crashes, and its closure compiler is
  # not usable.
  target_link_options(${P_TARGET} PRIVATE -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
    -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web -sMINIFY_HTML=0)
endfunction()
