# quarvel_library(NAME SOURCES file... [PUBLIC lib...] [PRIVATE lib...])
#
# A library of the calling folder: its sources, the project root as the include
# root its users see ("platform/drawing/drawing.h", "shell/records/options.h"), and what
# it links. Libraries its public headers need go PUBLIC; everything else,
# system libraries above all, PRIVATE, so that its users cannot include them.
function(quarvel_library name)
  cmake_parse_arguments(L "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  if(NOT L_SOURCES OR L_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "quarvel_library(${name}): SOURCES and only PUBLIC or PRIVATE libraries")
  endif()
  add_library(${name} ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_PUBLIC} PRIVATE ${L_PRIVATE})
endfunction()
