# The configuration program's window test: the real program in Xvfb, driven by xdotool.
if(TARGET vorel_config AND VOREL_HAVE_X11)
  find_program(VOREL_XVFB Xvfb)
  find_program(VOREL_XDOTOOL xdotool)
  if(VOREL_XVFB AND VOREL_XDOTOOL)
    add_executable(vorel_close_window ${CMAKE_CURRENT_LIST_DIR}/close_window.c)
    target_link_libraries(vorel_close_window PRIVATE ${X11_LIBRARIES})
    target_include_directories(vorel_close_window PRIVATE ${X11_INCLUDE_DIR})
    vorel_strict(vorel_close_window)
    add_test(NAME config.window
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/window_test.sh
                     $<TARGET_FILE:vorel_config> $<TARGET_FILE:vorel_close_window>)
    set_tests_properties(config.window PROPERTIES TIMEOUT 120
      ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan_suppressions.txt:print_suppressions=0")
  else()
    message(WARNING "Xvfb or xdotool missing: the configuration window test is not run")
  endif()
endif()
