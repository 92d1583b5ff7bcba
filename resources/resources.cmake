# The program's own module (icon 101, About dialog 103), built into an executable.
#
#   quarvel_embed_program_resources(target)
#
# This file is no resource, so the folder is packed from a copy without it,
# kept in step with the folder at every configure (editing a resource, adding or
# removing one configures again). Included at the end of host/CMakeLists.txt, it
# embeds the module into `quarvel`.
function(quarvel_embed_program_resources target)
  set(source "${PROJECT_SOURCE_DIR}/resources")
  set(staged "${CMAKE_BINARY_DIR}/program_resources")
  file(GLOB_RECURSE all CONFIGURE_DEPENDS RELATIVE "${source}" "${source}/*")
  set(files "")
  foreach(file ${all})
    if(file MATCHES "/")
      list(APPEND files "${file}")
    endif()
  endforeach()
  file(GLOB_RECURSE old RELATIVE "${staged}" "${staged}/*")
  foreach(file ${old})
    if(NOT file IN_LIST files)
      file(REMOVE "${staged}/${file}")
    endif()
  endforeach()
  foreach(file ${files})
    configure_file("${source}/${file}" "${staged}/${file}" COPYONLY)
  endforeach()
  quarvel_embed_module(TARGET ${target} SOURCE_DIR "${staged}")
endfunction()

if(TARGET quarvel)
  get_target_property(_quarvel_folder quarvel SOURCE_DIR)
  if(_quarvel_folder STREQUAL CMAKE_CURRENT_SOURCE_DIR)
    quarvel_embed_program_resources(quarvel)
  endif()
endif()
