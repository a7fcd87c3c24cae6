# Plays the whole demo inside the simulator and checks both the exit status
# and the simulator's summary line: every frame shown, no renderer error.
# Called with -DSIM=<handheld-sim> -DDEMO=<lumenfall>.
execute_process(
  COMMAND ${SIM} --fast --renderer-now --no-window --no-progress -- ${DEMO}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
)
string(REGEX MATCH "handheld-sim: summary: [^\n]*" summary "${err}")
message(STATUS "${summary}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the simulator exited with ${status}\n${err}")
endif()
if(NOT summary MATCHES "frames=2665 " OR NOT summary MATCHES "renderer_errors=0 "
   OR NOT summary MATCHES "exit_status=0$")
  message(FATAL_ERROR "unexpected summary: '${summary}'\n${err}")
endif()
