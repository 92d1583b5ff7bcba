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

# Debian's emcc runs its JavaScript optimiser with node, which finds Debian's
# acorn only through NODE_PATH when it is not Debian's own node.
set(_quarvel_node_path "/usr/share/nodejs")
if(DEFINED ENV{NODE_PATH})
  string(APPEND _quarvel_node_path ":$ENV{NODE_PATH}")
endif()
set(CMAKE_CXX_LINKER_LAUNCHER "${CMAKE_COMMAND};-E;env;NODE_PATH=${_quarvel_node_path}")

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
    list(APPEND preload "${font}@${QUARVEL_WEB_FONT_FOLDER}/${name}")
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
  if(P_ASYNC_IMPORTS)
    list(JOIN P_ASYNC_IMPORTS "," imports)
    target_link_options(${P_TARGET} PRIVATE "-sASYNCIFY_IMPORTS=${imports}")
  endif()
  target_compile_definitions(${P_TARGET} PRIVATE QUARVEL_FONT_FOLDER="${QUARVEL_WEB_FONT_FOLDER}")
  # Debian's emscripten: its HTML minifier crashes, and its closure compiler is
  # not usable.
  target_link_options(${P_TARGET} PRIVATE -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
    -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web -sMINIFY_HTML=0)
endfunction()
