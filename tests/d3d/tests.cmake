# The 3D device's tests also exercise the benchmark's synthetic scenes (golden pictures), and the
# benchmark itself runs once on a tiny target as a smoke test.
if(TARGET vorel_tests)
  target_sources(vorel_tests PRIVATE ${CMAKE_SOURCE_DIR}/tools/vorel_bench/synthetic_scene.cpp
                                     ${CMAKE_SOURCE_DIR}/tools/vorel_bench/ab_trial.cpp)
  # The span routines' planes and texel coordinates are compared with the reference's floats: no
  # fused multiply-adds but those the routines ask for.
  set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/d3d/lane_planes_test.cpp
                              ${CMAKE_SOURCE_DIR}/tests/d3d/span_window_test.cpp
                              PROPERTIES COMPILE_OPTIONS -ffp-contract=off)
endif()
if(TARGET vorel_bench)
  add_test(NAME d3d.bench_smoke COMMAND vorel_bench --frames 1 --resolution 64x48 --json)
  set_tests_properties(d3d.bench_smoke PROPERTIES PASS_REGULAR_EXPRESSION "\"scene\": \"outside\"")
endif()
# The real story as a benchmark scene: the archive's models and textures on a small target; a
# picture with no pixel shaded or no triangle drawn (a set-up that silently failed) does not pass.
if(TARGET vorel_bench)
  add_test(NAME d3d.bench_story_smoke
           COMMAND vorel_bench --frames 2 --resolution 320x240 --threads 1 --scene story-inside --json)
  set_tests_properties(d3d.bench_story_smoke PROPERTIES
    PASS_REGULAR_EXPRESSION "\"scene\": \"story-inside\".*\"mpix_per_s\": ([1-9]|0\\.0*[1-9])[0-9.]*, \"tris_per_s\": [1-9]")
  # The story as a real run draws it: a 16-bit mode, detail level 1, transparency off.
  add_test(NAME d3d.bench_real_smoke
           COMMAND vorel_bench --frames 1 --resolution 640x480 --threads 1 --scene real-outside --json)
  set_tests_properties(d3d.bench_real_smoke PROPERTIES
    PASS_REGULAR_EXPRESSION "\"scene\": \"real-outside\".*\"mpix_per_s\": ([1-9]|0\\.0*[1-9])[0-9.]*, \"tris_per_s\": [1-9]")
  # As the saver draws it without a settings file: detail level 0, the same 16-bit mode.
  add_test(NAME d3d.bench_low_smoke
           COMMAND vorel_bench --frames 1 --resolution 640x480 --threads 1 --scene low-inside --json)
  set_tests_properties(d3d.bench_low_smoke PROPERTIES
    PASS_REGULAR_EXPRESSION "\"scene\": \"low-inside\".*\"mpix_per_s\": ([1-9]|0\\.0*[1-9])[0-9.]*, \"tris_per_s\": [1-9]")
  # Paced like the saver's timer, each frame ending with the flip: the drawing thread's processor
  # time per frame is measured (not zero), and a pace out of range is refused.
  add_test(NAME d3d.bench_real_paced_smoke
           COMMAND vorel_bench --frames 2 --resolution 320x240 --threads 1 --scene real-outside --pace 5 --present
                   --json)
  set_tests_properties(d3d.bench_real_paced_smoke PROPERTIES
    PASS_REGULAR_EXPRESSION "\"scene\": \"real-outside\".*\"cpu_ms\": ([1-9]|0\\.0*[1-9])[0-9.]*, \"mpix_per_s\": [0-9.]*[1-9]")
  # A story scene without its archive is refused with the path it looked at (without the archive
  # it would draw an empty story and report its time as a result).
  add_test(NAME d3d.bench_story_without_archive_refused
           COMMAND vorel_bench --frames 1 --resolution 320x240 --threads 1 --scene story-inside)
  set_tests_properties(d3d.bench_story_without_archive_refused PROPERTIES
    ENVIRONMENT "VOREL_BENCH_ARCHIVE=${CMAKE_BINARY_DIR}/no-such-archive.pak"
    PASS_REGULAR_EXPRESSION "archive [^ ]*no-such-archive.pak is missing or empty")
  add_test(NAME d3d.bench_pace_refused COMMAND vorel_bench --frames 1 --scene fill --pace -3)
  set_tests_properties(d3d.bench_pace_refused PROPERTIES WILL_FAIL TRUE)
  # --ab: both settings weighed in one process, the same picture either way while no code reads
  # the setting; a story scene paced and presented on two threads too. It does not go with --compare.
  add_test(NAME d3d.bench_ab_smoke
           COMMAND vorel_bench --ab --frames 4 --resolution 64x48 --threads 1 --scene fill --json)
  set_tests_properties(d3d.bench_ab_smoke PROPERTIES
    PASS_REGULAR_EXPRESSION "\"scene\": \"fill\".*\"cpu_ms\": {\"a_first\": \\[[0-9.]*[1-9][0-9.]*, [0-9.]*[1-9][0-9.]*\\].*\"pictures_differ\": false")
  add_test(NAME d3d.bench_ab_story_smoke
           COMMAND vorel_bench --ab --frames 2 --resolution 320x240 --threads 1,2 --scene real@85000 --pace 1
                   --present --json)
  set_tests_properties(d3d.bench_ab_story_smoke PROPERTIES
    PASS_REGULAR_EXPRESSION "\"threads\": 1,.*\"pictures_differ\": false.*\"threads\": 2,.*\"pictures_differ\": false")
  add_test(NAME d3d.bench_ab_compare_refused COMMAND vorel_bench --ab --compare --scene fill)
  set_tests_properties(d3d.bench_ab_compare_refused PROPERTIES
    PASS_REGULAR_EXPRESSION "--ab does not go with --compare")
  add_test(NAME d3d.bench_help_tells_ab COMMAND vorel_bench --help)
  set_tests_properties(d3d.bench_help_tells_ab PROPERTIES PASS_REGULAR_EXPRESSION "\\[--ab\\].*--ab weighs")
  # The comparison's workers neither pace nor present, so asking for both is refused.
  add_test(NAME d3d.bench_pace_with_compare_refused
           COMMAND vorel_bench --frames 1 --scene fill --resolution 320x240 --compare --pace 5)
  set_tests_properties(d3d.bench_pace_with_compare_refused PROPERTIES
    PASS_REGULAR_EXPRESSION "do not go with --compare")
endif()
# The side by side on a frame of the real story: llvmpipe replays the recorded frame and both
# pictures must agree (PSNR of 30 dB or more; a recording that lost states or a story that differs
# between the two worker processes gives far less). Needs OpenGL; llvmpipe's JIT is left out of
# the sanitizer build.
if(TARGET vorel_bench AND OpenGL_OpenGL_FOUND AND OpenGL_EGL_FOUND AND NOT VOREL_SANITIZE)
  add_test(NAME d3d.bench_compare_story_smoke
           COMMAND vorel_bench --compare --scene story-inside --resolution 320x240 --threads 1 --runs 1
                   --frames 1 --json)
  set_tests_properties(d3d.bench_compare_story_smoke PROPERTIES TIMEOUT 300
    PASS_REGULAR_EXPRESSION "\"scene\": \"story-inside\".*\"psnr\": (3[0-9]|[4-9][0-9])\\.")
  # The same on a 16-bit screen with 16-bit textures (a texture the replay could not read would be
  # drawn white: far below 30 dB).
  add_test(NAME d3d.bench_compare_real_smoke
           COMMAND vorel_bench --compare --scene real-outside --resolution 640x480 --threads 1 --runs 1
                   --frames 1 --json)
  set_tests_properties(d3d.bench_compare_real_smoke PROPERTIES TIMEOUT 300
    PASS_REGULAR_EXPRESSION "\"scene\": \"real-outside\".*\"psnr\": (3[0-9]|[4-9][0-9])\\.")
endif()
