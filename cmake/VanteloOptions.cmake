# SPDX-License-Identifier: MIT
# Standard, warnings and defines shared by every target of ours.
add_library(vantelo_options INTERFACE)
# Where the programs are installed (cmake/VanteloInstall.cmake); the programs know it too.
set(VANTELO_OPT_DIR "/opt/Vantelo" CACHE PATH "Folder of the programs' own folders")
target_compile_features(vantelo_options INTERFACE cxx_std_20)
# Includes across libraries name the library from the repository's root
# ("catalogue/core/modDB.h"); a folder's own headers are included by name.
target_include_directories(vantelo_options INTERFACE ${PROJECT_SOURCE_DIR})
# Warnings as errors only when asked (CI does): a newer compiler's new warning must not
# break a user's build.
option(VANTELO_WERROR "Treat compiler warnings as errors" OFF)
target_compile_options(vantelo_options INTERFACE -Wall -Wextra -pedantic
  $<$<BOOL:${VANTELO_WERROR}>:-Werror>)
target_compile_definitions(vantelo_options INTERFACE
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_FOREACH
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  VANTELO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  VANTELO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  VANTELO_VERSION_REVISION=${PROJECT_VERSION_PATCH})

if(VANTELO_SANITIZE)
  # Applied to everything we build, so libraries and tests agree on the runtime.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VANTELO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VANTELO_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  # Coverage feedback for libFuzzer in every library the targets link; the fuzzer's own
  # main is linked into the targets alone (fuzz/CMakeLists.txt).
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# A family's translations (translations/<family>_en.ts, English source texts without
# translations) compiled into the library as ":/i18n/<family>_<language>.qm", which
# Translations::install() loads. lupdate reads the family's folder without its tests,
# as scripts/lupdate-check.sh (run in CI) does.
function(vantelo_add_translations target family folder)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${folder}/*.cpp"
       "${PROJECT_SOURCE_DIR}/${folder}/*.h")
  list(FILTER _sources EXCLUDE REGEX "/(tests|testsupport)/")
  qt_add_translations(${target}
    TS_FILES "${PROJECT_SOURCE_DIR}/translations/${family}_en.ts"
    SOURCES ${_sources}
    LUPDATE_OPTIONS -no-obsolete -locations none -source-language en -target-language en
    LRELEASE_OPTIONS -silent)
endfunction()

# One test executable per library: links the library, and CTest lists each of its tests
# (found when ctest runs, so a slow sanitizer start never fails the build). Each test runs
# in a process of its own on the offscreen platform, with hives and folders isolated by
# the test itself; the sanitizer options live in TestMain.cpp, so a test started by hand
# behaves as under CTest.
include(GoogleTest)
# The sanitizers make the largest tests several times slower.
if(VANTELO_SANITIZE)
  set(VANTELO_TEST_TIMEOUT 900)
else()
  set(VANTELO_TEST_TIMEOUT 300)
endif()
function(vantelo_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/common/testsupport/TestMain.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vantelo_testsupport GTest::gtest vantelo_options)
  target_compile_definitions(${name} PRIVATE
    VANTELO_LSAN_SUPPRESSIONS="${PROJECT_SOURCE_DIR}/.ci/lsan.supp")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT ${VANTELO_TEST_TIMEOUT})
endfunction()
