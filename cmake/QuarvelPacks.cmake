# Resource packs built from source folders at build time, with the pack compiler
# quarvel-pack-build (tools/pack_build.cpp).
#
#   quarvel_add_pack(NAME name SOURCE_DIR dir OUTPUT file [DEPENDS ...])
#     Packs every file under `dir` into the zip `file` as part of `all`; the
#     target `name` builds it. Relative SOURCE_DIR is taken from the current
#     source folder, relative OUTPUT from the current build folder.
#
#   quarvel_embed_module(TARGET target SOURCE_DIR dir)
#     Packs `dir` and compiles its bytes into the executable `target` as the
#     program's own module (ProgramModule()). Call it in the folder that defines
#     `target`.

# Adds the command that packs `source_dir` into `output`, re-run when any file
# under the folder changes, is added or is removed.
function(_quarvel_pack_command source_dir output)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS LIST_DIRECTORIES false "${source_dir}/*")
  list(SORT files)
  # The file list, rewritten only when it changes: a removed file changes no
  # remaining dependency, but it changes this list.
  string(MD5 name "${output}")
  set(list_file "${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/quarvel_packs/${name}.files")
  string(REPLACE ";" "\n" listing "${files}")
  set(old_listing "")
  if(EXISTS "${list_file}")
    file(READ "${list_file}" old_listing)
  endif()
  if(NOT old_listing STREQUAL listing)
    file(WRITE "${list_file}" "${listing}")
  endif()
  add_custom_command(OUTPUT "${output}"
    COMMAND quarvel-pack-build "${source_dir}" "${output}"
    DEPENDS quarvel-pack-build ${files} "${list_file}" ${ARGN}
    COMMENT "Packing ${source_dir}"
    VERBATIM)
endfunction()

function(quarvel_add_pack)
  cmake_parse_arguments(PACK "" "NAME;SOURCE_DIR;OUTPUT" "DEPENDS" ${ARGN})
  if(NOT PACK_NAME OR NOT PACK_SOURCE_DIR OR NOT PACK_OUTPUT)
    message(FATAL_ERROR "quarvel_add_pack needs NAME, SOURCE_DIR and OUTPUT")
  endif()
  get_filename_component(source_dir "${PACK_SOURCE_DIR}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(output "${PACK_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  _quarvel_pack_command("${source_dir}" "${output}" ${PACK_DEPENDS})
  add_custom_target(${PACK_NAME} ALL DEPENDS "${output}")
endfunction()

function(quarvel_embed_module)
  cmake_parse_arguments(EMBED "" "TARGET;SOURCE_DIR" "" ${ARGN})
  if(NOT EMBED_TARGET OR NOT EMBED_SOURCE_DIR)
    message(FATAL_ERROR "quarvel_embed_module needs TARGET and SOURCE_DIR")
  endif()
  get_filename_component(source_dir "${EMBED_SOURCE_DIR}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  set(pack "${CMAKE_CURRENT_BINARY_DIR}/${EMBED_TARGET}_module.zip")
  set(source "${CMAKE_CURRENT_BINARY_DIR}/${EMBED_TARGET}_module.cpp")
  _quarvel_pack_command("${source_dir}" "${pack}")
  add_custom_command(OUTPUT "${source}"
    COMMAND quarvel-pack-build --embed "${pack}" "${source}"
    DEPENDS quarvel-pack-build "${pack}"
    COMMENT "Embedding the program module of ${EMBED_TARGET}"
    VERBATIM)
  # Compiled into the executable itself, so the linker never drops the
  # registration as it may drop an unreferenced object of a static library.
  target_sources(${EMBED_TARGET} PRIVATE "${source}")
  target_link_libraries(${EMBED_TARGET} PRIVATE quarvel_resources)
endfunction()
