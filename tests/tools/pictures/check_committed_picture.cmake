# Packs one source image with picture-tool and compares the result byte for
# byte with the array source committed beside the demo.
#   cmake -DTOOL=... -DIMAGE=... -DNAME=... -DCOMMITTED=... -DOUT=... -P this
execute_process(COMMAND ${TOOL} pack ${IMAGE} ${OUT} --name ${NAME} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "picture-tool could not pack ${IMAGE}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${COMMITTED}
                RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "${COMMITTED} is not what picture-tool makes of ${IMAGE}; "
                      "regenerate it with: picture-tool pack ${IMAGE} ${COMMITTED} --name ${NAME}")
endif()
