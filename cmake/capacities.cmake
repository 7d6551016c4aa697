# The capacities of the model tables: how many nodes and how many element rows a translator of
# this build holds. The host's own tables hold 125,000 of each, so the default build does too; a
# host built with larger tables needs a translator built to match. The values reach the code
# through vevadar_version.h (include/), which the installed header carries as VEVADAR_MAX_NODES
# and VEVADAR_MAX_ELEMENTS.
set(VEVADAR_MAX_NODES 125000 CACHE STRING "Capacity of the node table (nodes a model may hold)")
set(VEVADAR_MAX_ELEMENTS 125000 CACHE STRING
    "Capacity of the element table (element rows, rigid element spokes included)")

# Bytes of the tables per node (node row 16, restraint codes of 10 sets 40, forces and moments of
# 10 sets 240) and per element row (48); the code checks these against its tables at compile time.
set(vevadar_node_row_bytes 296)
set(vevadar_element_row_bytes 48)
# A 32-bit process has 2 GiB of address space for everything it loads, the host and its own
# tables included, and the library's tables must fit in one piece: they may take at most 1 GiB.
# A 64-bit build is bounded by the model file, whose counts and node indices are 32-bit integers.
set(vevadar_largest_capacity 2147483647)
set(vevadar_table_budget 0)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(vevadar_table_budget 1073741824)
endif()

foreach(name VEVADAR_MAX_NODES VEVADAR_MAX_ELEMENTS)
  set(value "${${name}}")
  # Compared as a number only when short enough for CMake's 64-bit arithmetic.
  string(LENGTH "${value}" digits)
  if(NOT value MATCHES "^[1-9][0-9]*$" OR digits GREATER 10 OR
     value GREATER vevadar_largest_capacity)
    message(FATAL_ERROR "${name} is \"${value}\": it must be a whole number from 1 to "
                        "${vevadar_largest_capacity}.")
  endif()
endforeach()

math(EXPR vevadar_table_bytes
     "${VEVADAR_MAX_NODES} * ${vevadar_node_row_bytes} + ${VEVADAR_MAX_ELEMENTS} * ${vevadar_element_row_bytes}")
if(vevadar_table_budget GREATER 0 AND vevadar_table_bytes GREATER vevadar_table_budget)
  message(FATAL_ERROR
    "VEVADAR_MAX_NODES ${VEVADAR_MAX_NODES} and VEVADAR_MAX_ELEMENTS ${VEVADAR_MAX_ELEMENTS} "
    "need ${vevadar_table_bytes} bytes of tables (${vevadar_node_row_bytes} a node, "
    "${vevadar_element_row_bytes} an element row): more than the 1073741824 bytes (1 GiB) a "
    "32-bit build can give them.")
endif()
if(NOT VEVADAR_MAX_NODES EQUAL 125000 OR NOT VEVADAR_MAX_ELEMENTS EQUAL 125000)
  message(STATUS "Capacities: ${VEVADAR_MAX_NODES} nodes, ${VEVADAR_MAX_ELEMENTS} elements "
                 "(${vevadar_table_bytes} bytes of tables)")
endif()
