# Fails when game code, or a platform header that game code may include, mentions
# SDL or another system library of the layer's implementation, or when game code
# includes one of the layer's internal headers (platform/internal/), which are
# for the layer, the hosts and the tests only.
file(GLOB_RECURSE game_files
  ${ROOT}/rules/*.h ${ROOT}/rules/*.cpp
  ${ROOT}/game_screen/*.h ${ROOT}/game_screen/*.cpp
  ${ROOT}/shell/*.h ${ROOT}/shell/*.cpp
  ${ROOT}/front/*.h ${ROOT}/front/*.cpp)
file(GLOB platform_headers ${ROOT}/platform/*/*.h)
list(FILTER platform_headers EXCLUDE REGEX "/platform/internal/")
list(LENGTH game_files game_count)
list(LENGTH platform_headers header_count)
if(game_count LESS 10 OR header_count LESS 10)
  message(FATAL_ERROR "found only ${game_count} game files and ${header_count} platform headers")
endif()
set(offenders "")
foreach(f ${game_files} ${platform_headers})
  file(STRINGS ${f} hits REGEX "#[ \t]*include[ \t]*[<\"](SDL|zip\\.h|zipconf|fontconfig|ft2build|X11/)")
  if(hits)
    list(APPEND offenders "${f}: ${hits}")
  endif()
endforeach()
foreach(f ${game_files})
  file(STRINGS ${f} hits REGEX "#[ \t]*include[ \t]*[<\"]platform/internal/")
  if(hits)
    list(APPEND offenders "${f}: ${hits}")
  endif()
endforeach()
if(offenders)
  string(REPLACE ";" "\n" text "${offenders}")
  message(FATAL_ERROR "System or layer-internal headers where game code can see them:\n${text}")
endif()
message(STATUS "game code and platform headers are free of SDL and of the layer's internals")
