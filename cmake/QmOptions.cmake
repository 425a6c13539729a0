# Compiler options for the project's own targets: strict warnings, no FP contraction, sanitizers.

set(QM_SANITIZE "" CACHE STRING "Sanitizers for engine, CLI and tests (e.g. address,undefined or thread)")

function(qm_target_options target)
    target_compile_features(${target} PUBLIC cxx_std_20)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
        -Wimplicit-fallthrough -Werror
        -ffp-contract=off -fno-fast-math)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # GCC 12 reports false -Wrestrict positives inside std::string at -O3.
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(QM_BUILD_FUZZ)
        # Coverage instrumentation for libFuzzer in every library the fuzzers link.
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
    if(QM_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=${QM_SANITIZE} -fno-omit-frame-pointer
                                                  -fno-sanitize-recover=all)
        target_link_options(${target} PRIVATE -fsanitize=${QM_SANITIZE})
    endif()
endfunction()

# Engine subsystem library: src/engine/<name>, target qm_<name>.
function(qm_engine_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PUBLIC_LIBS" ${ARGN})
    add_library(qm_${name} STATIC ${ARG_SOURCES})
    target_include_directories(qm_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(qm_${name} PUBLIC ${ARG_DEPS} ${ARG_PUBLIC_LIBS})
    qm_target_options(qm_${name})
    set_property(GLOBAL APPEND PROPERTY QM_ENGINE_LIBS qm_${name})
endfunction()

# GoogleTest executable registered with CTest. LABELS is one label (engine, cli, gui or render);
# it picks the sanitizer runs the tests join (render tests also run under ThreadSanitizer).
function(qm_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    qm_target_options(${name})
    target_compile_definitions(${name} PRIVATE QM_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
                                               QM_BINARY_DIR="${PROJECT_BINARY_DIR}")
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${ARG_LABELS}")
endfunction()
