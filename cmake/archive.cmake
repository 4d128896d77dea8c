# The data archive vorel_screensaver.pak, made at build time from our own generators.
#
# Included by the top-level CMakeLists: vorel_assets writes every entry into build/assets/, then
# vorel_pak packs them (sorted by name, so the archive's bytes depend only on the sources) into
# ${CMAKE_BINARY_DIR}/bin/vorel_screensaver.pak. Both tools are dependencies of the step, so a
# changed generator remakes the archive. The same file run as a script (cmake -P) is the packing
# step itself: it lists the folder at build time, which the configure step cannot know.

if(CMAKE_SCRIPT_MODE_FILE)
  # cmake -DPAK_TOOL=... -DASSET_DIR=... -DARCHIVE=... -P archive.cmake
  file(GLOB entries LIST_DIRECTORIES false RELATIVE ${ASSET_DIR} ${ASSET_DIR}/*)
  list(SORT entries)
  list(LENGTH entries count)
  if(count EQUAL 0)
    message(FATAL_ERROR "archive: no entries in ${ASSET_DIR}")
  endif()
  set(paths)
  foreach(e ${entries})
    list(APPEND paths ${ASSET_DIR}/${e})
  endforeach()
  execute_process(COMMAND ${PAK_TOOL} create ${ARCHIVE} ${paths} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "archive: vorel_pak failed (${status})")
  endif()
  file(SIZE ${ARCHIVE} bytes)
  if(bytes GREATER 16777216)
    message(FATAL_ERROR "archive: ${ARCHIVE} is ${bytes} bytes, more than 16 MiB")
  endif()
  return()
endif()

if(TARGET vorel_assets AND TARGET vorel_pak)
  set(VOREL_ASSET_DIR ${CMAKE_BINARY_DIR}/assets)
  set(VOREL_ARCHIVE ${CMAKE_BINARY_DIR}/bin/vorel_screensaver.pak)
  add_custom_command(
    OUTPUT ${VOREL_ARCHIVE}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${VOREL_ASSET_DIR}
    COMMAND vorel_assets ${VOREL_ASSET_DIR}
    COMMAND ${CMAKE_COMMAND} -DPAK_TOOL=$<TARGET_FILE:vorel_pak> -DASSET_DIR=${VOREL_ASSET_DIR}
            -DARCHIVE=${VOREL_ARCHIVE} -P ${CMAKE_CURRENT_LIST_FILE}
    DEPENDS vorel_assets vorel_pak ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Making the data archive vorel_screensaver.pak"
    VERBATIM)
  add_custom_target(vorel_archive ALL DEPENDS ${VOREL_ARCHIVE})
elseif(TARGET vorel_assets)
  # Without vorel_pak the generator packs its entries itself, with the same archive writer.
  set(VOREL_ARCHIVE ${CMAKE_BINARY_DIR}/bin/vorel_screensaver.pak)
  add_custom_command(
    OUTPUT ${VOREL_ARCHIVE}
    COMMAND vorel_assets --pak ${VOREL_ARCHIVE}
    DEPENDS vorel_assets ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Making the data archive vorel_screensaver.pak"
    VERBATIM)
  add_custom_target(vorel_archive ALL DEPENDS ${VOREL_ARCHIVE})
endif()
