# Stages one resource pack: a fresh folder with the shared sources, the size's
# own sources, and the pictures and sounds the generator draws from the size's
# layout text.
#
#   cmake -DSTAGE=dir -DCOMMON=dir -DSIZE_SOURCES=dir -DGENERATOR=exe -DSTAMP=file
#         -P stage_pack.cmake
foreach(var STAGE COMMON SIZE_SOURCES GENERATOR STAMP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "stage_pack.cmake needs -D${var}=...")
  endif()
endforeach()

# Start from nothing, so a source file that went away leaves no stale entry.
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
foreach(dir "${COMMON}" "${SIZE_SOURCES}")
  file(GLOB children LIST_DIRECTORIES true "${dir}/*")
  foreach(child IN LISTS children)
    file(COPY "${child}" DESTINATION "${STAGE}")
  endforeach()
endforeach()

execute_process(
  COMMAND "${GENERATOR}" "${SIZE_SOURCES}/TEXT/101.txt" "${STAGE}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "quarvel-pack-gen failed for ${SIZE_SOURCES} (${result})")
endif()
file(TOUCH "${STAMP}")
