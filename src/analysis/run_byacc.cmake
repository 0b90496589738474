# Runs byacc on the grammar and fails unless the automaton is the expected
# one: a different count of states or conflicts means a rule was changed or
# mistyped, which silently changes what the tool accepts.
#   cmake -DBYACC=... -DGRAMMAR=ada.y -DOUT_DIR=... -P run_byacc.cmake
set(expected_states 1046)
set(expected_shift_reduce 46)
set(expected_reduce_reduce 2)

set(parser ${OUT_DIR}/ada_parser.cc)
set(defines ${OUT_DIR}/ada_tokens.h)
set(report ${OUT_DIR}/ada.output)

file(REMOVE ${report})
execute_process(
  COMMAND ${BYACC} -v -b ${OUT_DIR}/ada -p ac_yy -H ${defines} -o ${parser} ${GRAMMAR}
  RESULT_VARIABLE status
  ERROR_VARIABLE messages)

function(fail why)
  file(REMOVE ${parser} ${defines})
  message(FATAL_ERROR "${GRAMMAR}: ${why}\n${messages}")
endfunction()

if(NOT status EQUAL 0)
  fail("byacc failed")
endif()

set(states 0)
if(EXISTS ${report})
  file(STRINGS ${report} summary REGEX "grammar rules, [0-9]+ states$")
  string(REGEX MATCH "([0-9]+) states" found "${summary}")
  set(states ${CMAKE_MATCH_1})
endif()
set(shift_reduce 0)
if(messages MATCHES "([0-9]+) shift/reduce conflict")
  set(shift_reduce ${CMAKE_MATCH_1})
endif()
set(reduce_reduce 0)
if(messages MATCHES "([0-9]+) reduce/reduce conflict")
  set(reduce_reduce ${CMAKE_MATCH_1})
endif()

if(NOT states EQUAL expected_states
   OR NOT shift_reduce EQUAL expected_shift_reduce
   OR NOT reduce_reduce EQUAL expected_reduce_reduce)
  string(CONCAT why
    "expected ${expected_states} states, ${expected_shift_reduce} shift/reduce and "
    "${expected_reduce_reduce} reduce/reduce conflicts; byacc gives ${states} states, "
    "${shift_reduce} shift/reduce and ${reduce_reduce} reduce/reduce conflicts (see ${report})")
  fail("${why}")
endif()
