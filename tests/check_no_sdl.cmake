# Fails when game code, or a platform header that game code may include, mentions
# SDL or another system library of the layer's implementation.
file(GLOB_RECURSE game_files
  ${ROOT}/rules/*.h ${ROOT}/rules/*.cpp
  ${ROOT}/game_screen/*.h ${ROOT}/game_screen/*.cpp
  ${ROOT}/shell/*.h ${ROOT}/shell/*.cpp
  ${ROOT}/front/*.h ${ROOT}/front/*.cpp)
file(GLOB platform_headers ${ROOT}/platform/*/*.h)
list(FILTER platform_headers EXCLUDE REGEX "/platform/internal/")
set(offenders "")
foreach(f ${game_files} ${platform_headers})
  file(STRINGS ${f} hits REGEX "#[ \t]*include[ \t]*[<\"](SDL|zip\\.h|fontconfig)")
  if(hits)
    list(APPEND offenders "${f}: ${hits}")
  endif()
endforeach()
if(offenders)
  string(REPLACE ";" "\n" text "${offenders}")
  message(FATAL_ERROR "SDL or system headers where game code can see them:\n${text}")
endif()
message(STATUS "game code and platform headers are free of SDL")
