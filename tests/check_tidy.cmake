# Fails when clang-tidy, with the repository's .clang-tidy, finds anything in the sources of src/
# (every finding counts as an error). Uses the build's compile_commands.json. clang's default
# limit on constant evaluation is below g++'s, and the power-of-ten table of the real fields is
# built at compile time: the limit is raised to let clang evaluate it.
cmake_minimum_required(VERSION 3.25)
file(GLOB_RECURSE sources ${SOURCE_DIR}/src/*.cpp)
execute_process(COMMAND ${CLANG_TIDY} -p ${BUILD_DIR} --quiet --warnings-as-errors=*
                        --extra-arg=-fconstexpr-steps=100000000 ${sources}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR out MATCHES "(warning|error):")
  message(FATAL_ERROR "clang-tidy (exit ${status}):\n${out}\n${err}")
endif()
