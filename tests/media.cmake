# Test media: generated once per build tree into ${CMAKE_BINARY_DIR}/testmedia by
# tools/scripts/make-test-media.sh (files already there are kept).
#
# - CTest: the test "generate_test_media" is the setup of the fixture named by SP_MEDIA_FIXTURE;
#   test_outside and test_media require it, so `ctest` generates the media before them.
# - Test code: SP_TEST_MEDIA_DIR (the directory) and SP_TEST_MEDIA_SCRIPT (the generator) are
#   compile definitions carried by sp_testsupport, which every test executable links. A test
#   binary run by hand can thus run the generator itself when the directory is incomplete.
# - `cmake --build <dir> --target testmedia` generates them without running tests;
#   `--target testmedia_bench` adds the 1080p benchmark file.

find_program(SP_FFMPEG_PROGRAM ffmpeg)
find_program(SP_PYTHON3_PROGRAM python3)
if(NOT SP_FFMPEG_PROGRAM OR NOT SP_PYTHON3_PROGRAM)
    message(WARNING "ffmpeg or python3 not found: tests that need generated media will fail")
endif()

set(SP_TEST_MEDIA_DIR ${CMAKE_BINARY_DIR}/testmedia)
set(SP_TEST_MEDIA_SCRIPT ${PROJECT_SOURCE_DIR}/tools/scripts/make-test-media.sh)
set(SP_MEDIA_FIXTURE test_media_files)

add_test(NAME generate_test_media COMMAND bash ${SP_TEST_MEDIA_SCRIPT} ${SP_TEST_MEDIA_DIR})
set_tests_properties(generate_test_media PROPERTIES FIXTURES_SETUP ${SP_MEDIA_FIXTURE} TIMEOUT 300)

add_custom_target(testmedia
    COMMAND bash ${SP_TEST_MEDIA_SCRIPT} ${SP_TEST_MEDIA_DIR}
    COMMENT "Generating test media into ${SP_TEST_MEDIA_DIR}"
    VERBATIM)
# The same plus bench_1080p.mp4 (H.264 1920x1080, 20 s, a key frame every 250 frames).
add_custom_target(testmedia_bench
    COMMAND bash ${SP_TEST_MEDIA_SCRIPT} --bench ${SP_TEST_MEDIA_DIR}
    COMMENT "Generating test and benchmark media into ${SP_TEST_MEDIA_DIR}"
    VERBATIM)

target_compile_definitions(sp_testsupport PUBLIC
    SP_TEST_MEDIA_DIR="${SP_TEST_MEDIA_DIR}"
    SP_TEST_MEDIA_SCRIPT="${SP_TEST_MEDIA_SCRIPT}")
