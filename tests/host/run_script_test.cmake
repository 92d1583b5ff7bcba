cmake_minimum_required(VERSION 3.25)
# Runs a headless script and checks the event log.
#   -DPROGRAM=... -DSCRIPT=... -DOUT=<folder> -DEXPECT=<regex;regex;...> [-DSCREEN=WxH]
file(MAKE_DIRECTORY ${OUT})
file(REMOVE ${OUT}/settings.reg)  # every run starts from a fresh store
file(READ ${SCRIPT} text)
string(REPLACE "@OUT@" "${OUT}" text "${text}")
get_filename_component(name ${SCRIPT} NAME)
file(WRITE ${OUT}/${name} "${text}")
set(screen "")
if(SCREEN)
  set(screen --screen ${SCREEN})
endif()
execute_process(COMMAND ${PROGRAM} --headless ${screen} --script ${OUT}/${name}
                        --log ${OUT}/log.txt --store ${OUT}/settings.reg
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${result}")
endif()
file(READ ${OUT}/log.txt log)
foreach(pattern ${EXPECT})
  if(NOT log MATCHES "${pattern}")
    message(FATAL_ERROR "the log has no line matching '${pattern}':\n${log}")
  endif()
endforeach()
