# The data set tool from the command line: help, usage errors, a folder it cannot write, and a
# full run whose entries match a second run byte for byte.
if(TARGET vorel_assets)
  add_test(NAME assets.cli.help COMMAND vorel_assets --help)
  set_tests_properties(assets.cli.help PROPERTIES PASS_REGULAR_EXPRESSION "usage: vorel_assets OUTDIR")
  add_test(NAME assets.cli.no_arguments COMMAND vorel_assets)
  set_tests_properties(assets.cli.no_arguments PROPERTIES WILL_FAIL TRUE)
  add_test(NAME assets.cli.unwritable_folder COMMAND vorel_assets /proc/vorel-assets-cannot-be-here)
  set_tests_properties(assets.cli.unwritable_folder PROPERTIES WILL_FAIL TRUE)
  # Two whole runs take a minute and more under the sanitizers and check nothing they would find;
  # the generators themselves run under them in vorel_tests.
  if(NOT VOREL_SANITIZE)
    add_test(NAME assets.cli.two_runs_write_the_same_files
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/two_runs_test.sh $<TARGET_FILE:vorel_assets>)
    set_tests_properties(assets.cli.two_runs_write_the_same_files PROPERTIES TIMEOUT 600)
  endif()
endif()
