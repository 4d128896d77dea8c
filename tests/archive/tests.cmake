# Round trips of the real vorel_pak tool: create, list, extract, and its refusals.
if(TARGET vorel_pak)
  add_test(NAME vorel_pak.roundtrip
           COMMAND sh ${CMAKE_SOURCE_DIR}/tests/archive/pak_roundtrip.sh $<TARGET_FILE:vorel_pak>)
endif()
