# The run-measuring script on the real saver: a short real-clock run must report a start-up time
# and a load; bad arguments are refused with a non-zero exit.
if(TARGET Vorel_Saver)
  add_test(NAME shell.measure_run
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/measure-run --bin ${CMAKE_BINARY_DIR}/bin --seconds 8)
  set_tests_properties(shell.measure_run PROPERTIES TIMEOUT 120
    PASS_REGULAR_EXPRESSION "start-up: [0-9]+ ms to the first story frame.*load: [0-9.]+ % of one core")
  add_test(NAME shell.measure_run_refuses_bad_mode
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/measure-run --bin ${CMAKE_BINARY_DIR}/bin --mode 512x384x8)
  set_tests_properties(shell.measure_run_refuses_bad_mode PROPERTIES WILL_FAIL TRUE)
endif()
