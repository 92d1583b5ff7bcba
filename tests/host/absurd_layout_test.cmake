cmake_minimum_required(VERSION 3.25)
# The game's 240x320 pack with every layout number at the ends of the 32-bit
# range, played by a short soak: nothing may crash or overflow (the sanitizer
# build checks), the run ends with exit 0.
#   -DPROGRAM=quarvel -DPACK_BUILD=quarvel-pack-build -DSTAGE=<staged pack folder> -DOUT=<folder>
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT}/packs)
file(COPY ${STAGE}/ DESTINATION ${OUT}/src)
set(text "")
foreach(key game_width game_height board_tile_size high_scores_line_height high_scores_count)
  string(APPEND text "${key}: 2147483647\n")
endforeach()
foreach(key board_left board_top next_piece_x next_piece_y next_next_piece_x next_next_piece_y
            high_scores_top high_scores_left1 high_scores_right1 high_scores_left2 high_scores_right2)
  string(APPEND text "${key}: -2147483648\n")
endforeach()
foreach(key next_piece_label_rect score_label_rect score_rect level_rect lines_rect
            easy_selection_rect medium_selection_rect hard_selection_rect)
  string(APPEND text "${key}: -2147483648,-2147483648,2147483647,2147483647\n")
endforeach()
string(APPEND text "full_screen: 1\n")
file(WRITE ${OUT}/src/TEXT/101.txt "${text}")
execute_process(COMMAND ${PACK_BUILD} ${OUT}/src ${OUT}/packs/240x320.dll RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "could not build the pack")
endif()
execute_process(COMMAND ${PROGRAM} --headless --soak 20000 --seed 3 --packs ${OUT}/packs
                        --store ${OUT}/settings.reg
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${result}")
endif()
