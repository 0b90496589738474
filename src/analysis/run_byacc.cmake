# Runs byacc on a grammar and fails unless the automaton is the expected
# one: a different count of states or conflicts means a rule was changed or
# mistyped, which silently changes what the tool accepts.
#   cmake -DBYACC=... -DGRAMMAR=ada.y -DNAME=ada -DPREFIX=ac_yy -DOUT_DIR=...
#         -DSTATES=n -DSHIFT_REDUCE=n -DREDUCE_REDUCE=n -P run_byacc.cmake
# writes ${NAME}_parser.cc, ${NAME}_tokens.h and the report ${NAME}.output.
set(parser ${OUT_DIR}/${NAME}_parser.cc)
set(defines ${OUT_DIR}/${NAME}_tokens.h)
set(report ${OUT_DIR}/${NAME}.output)

file(REMOVE ${report})
execute_process(
  COMMAND ${BYACC} -v -b ${OUT_DIR}/${NAME} -p ${PREFIX} -H ${defines} -o ${parser} ${GRAMMAR}
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

if(NOT states EQUAL STATES
   OR NOT shift_reduce EQUAL SHIFT_REDUCE
   OR NOT reduce_reduce EQUAL REDUCE_REDUCE)
  string(CONCAT why
    "expected ${STATES} states, ${SHIFT_REDUCE} shift/reduce and "
    "${REDUCE_REDUCE} reduce/reduce conflicts; byacc gives ${states} states, "
    "${shift_reduce} shift/reduce and ${reduce_reduce} reduce/reduce conflicts (see ${report})")
  fail("${why}")
endif()
