# Every saved fuzz input (the seed corpus and each crash found so far, kept in
# fuzz/regressions) replayed through the fuzz targets, built with the normal
# compiler. A target aborts on any wrong result; the sanitizer pass of the
# test suite catches memory faults.
set(fuzz_dir ${PROJECT_SOURCE_DIR}/fuzz)
foreach(kind analysis link_file dependency_file)
  set(target replay_fuzz_${kind})
  add_executable(${target} ${fuzz_dir}/fuzz_${kind}.cc ${fuzz_dir}/replay.cc)
  target_link_libraries(${target} PRIVATE vl_driver)
  target_compile_options(${target} PRIVATE ${VANTLINK_WARNINGS})
  add_test(NAME fuzz_regressions.${kind}
           COMMAND ${target} ${fuzz_dir}/regressions/${kind} ${fuzz_dir}/corpus/${kind})
  set_tests_properties(fuzz_regressions.${kind} PROPERTIES LABELS fuzz TIMEOUT 120)
endforeach()
