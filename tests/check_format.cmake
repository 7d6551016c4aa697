# Fails when a source file differs from what clang-format makes of it (the repository's
# .clang-format). Run by ctest from the source folder.
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/include/*.h
  ${SOURCE_DIR}/tools/*.cpp ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h ${SOURCE_DIR}/tests/*.c
  ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/fuzz/*.cpp ${SOURCE_DIR}/python/*.cpp)
set(unformatted "")
foreach(source ${sources})
  execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${SOURCE_DIR}/${source}
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 0)
    list(APPEND unformatted ${source})
  endif()
endforeach()
if(unformatted)
  list(JOIN unformatted "\n  " listing)
  message(FATAL_ERROR "not formatted with clang-format:\n  ${listing}")
endif()
