# Runs the lettering generator into a scratch folder and compares each image
# it draws with the committed source image, so that the script and the
# pictures cannot drift apart.
#   cmake -DPYTHON=... -DSCRIPT=... -DSOURCES=... -DOUT=... -P this
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${PYTHON} -B ${SCRIPT} ${OUT} RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SCRIPT} failed")
endif()
foreach(name pic1 pic2 pic3 pic4)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name}.pbm
                          ${SOURCES}/${name}.pbm RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${SOURCES}/${name}.pbm is not what ${SCRIPT} draws; "
                        "run it with ${SOURCES} as its folder and pack the pictures again")
  endif()
endforeach()
