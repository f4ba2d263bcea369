# kalder-random-mpi: unit tests of its MPI-free parts, and runs of the program under mpirun with
# 1, 2 and 4 ranks, compared with each other and with the single-machine synthesis run by
# kalder-random-reference. Included by tests/CMakeLists.txt only when the program is built.
add_executable(kalder-random-reference ${CMAKE_CURRENT_LIST_DIR}/reference/RandomReference.cpp)
target_link_libraries(kalder-random-reference PRIVATE kalder_distributed kalder_random_media)

file(GLOB distributed_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/test_*.cpp)
add_executable(test_distributed ${distributed_tests})
target_link_libraries(test_distributed PRIVATE kalder_distributed kalder_testsupport
                      GTest::gtest_main GTest::gmock)
add_dependencies(test_distributed kalder-random-mpi kalder-random-reference)
target_compile_definitions(test_distributed PRIVATE
    KALDER_MPIEXEC="${MPIEXEC_EXECUTABLE}"
    KALDER_RANDOM_MPI="$<TARGET_FILE:kalder-random-mpi>"
    KALDER_RANDOM_REFERENCE="$<TARGET_FILE:kalder-random-reference>")
# mpirun refuses to start as root (CI) unless told twice. The tests are listed at configure
# time, as discovered tests cannot carry a list of environment variables.
gtest_add_tests(TARGET test_distributed SOURCES ${distributed_tests} TEST_LIST distributed_cases)
set(distributed_env
    "KALDER_PROFILE=${CMAKE_CURRENT_BINARY_DIR}/profile.ini;OMPI_ALLOW_RUN_AS_ROOT=1;OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1")
if(KALDER_SANITIZE)
    # Open MPI's plug-ins keep allocations until exit and are unloaded before the leak report, so
    # no suppression can name them: the MPI runs are checked for memory errors, not for leaks.
    list(APPEND distributed_env "ASAN_OPTIONS=detect_leaks=0:abort_on_error=0")
endif()
set_tests_properties(${distributed_cases} PROPERTIES TIMEOUT 300 ENVIRONMENT "${distributed_env}")
